#include "PictureDetailsDlg.h"

#include "CategoryDialogs.h"
#include "DialogUnits.h"
#include "PictureDetails.h"
#include "QtText.h"
#include "Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace hf {
namespace {

QLabel* addLabel(QDialog* dialog, const DialogUnits& du, const QString& text, int y)
{
    auto* label = new QLabel(text, dialog);
    label->setGeometry(du.rect(7, y, 40, 8));
    return label;
}

void addRule(QDialog* dialog, const DialogUnits& du, int y)
{
    auto* rule = new QFrame(dialog);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(du.x(7), du.y(y), du.x(148), 2);
}

}  // namespace

CPictureDetailsDlg::CPictureDetailsDlg(AlbumHeader& header, PhotoRecord& record, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), header_(header), record_(record), boxes_(boxes)
{
    setObjectName(QStringLiteral("138"));
    setWindowTitle(QStringLiteral("Picture Details"));
    setFont(DialogUnits::dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(220), du.y(98));

    addLabel(this, du, QStringLiteral("Picture:"), 10);
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("1026"));
    nameEdit_->setGeometry(du.rect(50, 7, 105, 14));
    // The record's field holds 15 characters the handheld can show.
    limitFieldEdit(nameEdit_, static_cast<int>(kMaxPictureName));

    addRule(this, du, 28);

    addLabel(this, du, QStringLiteral("Category:"), 38);
    categoryCombo_ = new QComboBox(this);
    categoryCombo_->setObjectName(QStringLiteral("1020"));
    categoryCombo_->setGeometry(du.rect(50, 35, 105, 14));
    categoryCombo_->setEditable(true);
    // Typed text is taken as it stands: no entry is added, and no completion
    // turns "personal" into "Personal".
    categoryCombo_->setInsertPolicy(QComboBox::NoInsert);
    categoryCombo_->setCompleter(nullptr);
    limitFieldEdit(categoryCombo_->lineEdit(), 0);

    addLabel(this, du, QStringLiteral("Private:"), 56);
    privateCheck_ = new QCheckBox(this);
    privateCheck_->setObjectName(QStringLiteral("1022"));
    privateCheck_->setGeometry(du.rect(50, 55, 12, 10));

    addRule(this, du, 72);

    auto* edit = new QPushButton(QStringLiteral("Edit Categories ..."), this);
    edit->setObjectName(QStringLiteral("1025"));
    edit->setGeometry(du.rect(7, 78, 80, 14));
    connect(edit, &QPushButton::clicked, this, &CPictureDetailsDlg::editCategories);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setGeometry(du.rect(163, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setGeometry(du.rect(163, 24, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CPictureDetailsDlg::exec()
{
    nameEdit_->setText(fromCp1252(fieldText(record_.pictureName)));
    shownName_ = nameEdit_->text();
    fillCategoryCombo();
    privateCheck_->setChecked(record_.privateFlag != 0);
    changed_ = false;
    nameEdit_->setFocus();
    nameEdit_->selectAll();
    return QDialog::exec();
}

void CPictureDetailsDlg::fillCategoryCombo()
{
    const CategoryChoices choices = categoryChoices(header_, record_);
    categoryCombo_->clear();
    for (const std::string& entry : choices.entries.items())
        categoryCombo_->addItem(toQString(entry));
    categoryCombo_->setCurrentIndex(choices.selected);
    if (choices.selected < 0)
        categoryCombo_->clearEditText();
}

void CPictureDetailsDlg::editCategories()
{
    CEditCategoriesDlg dlg(header_, boxes_, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    changed_ = true;
    fillCategoryCombo();
}

void CPictureDetailsDlg::accept()
{
    // A stored name longer than the edit shows (from an album written
    // elsewhere) is kept unless the user changed it.
    const std::string name =
        nameEdit_->text() == shownName_ ? std::string(fieldText(record_.pictureName)) : toCp1252(nameEdit_->text());
    applyDetails(header_, record_, name, toCp1252(categoryCombo_->currentText()), privateCheck_->isChecked());
    QDialog::accept();
}

}  // namespace hf
