#include "CategoryDialogs.h"

#include "DialogUnits.h"
#include "ListKeys.h"
#include "QtText.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace hf {

CCategoryNameDlg::CCategoryNameDlg(const AlbumHeader& table, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), table_(table), boxes_(boxes), title_(toQString(categoryText::kNewTitle))
{
    setObjectName(QStringLiteral("140"));
    setWindowTitle(title_);
    setFont(DialogUnits::dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(186), du.y(50));

    auto* prompt = new QLabel(toQString(categoryText::kNamePrompt), this);
    prompt->setGeometry(du.rect(7, 9, 114, 8));

    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("1034"));
    edit_->setGeometry(du.rect(7, 24, 114, 14));
    // Any length may be typed; OK keeps the first 15 bytes.
    limitFieldEdit(edit_, 0);

    auto* ok = placeButton(this, du, "1", QStringLiteral("OK"), QRect(129, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = placeButton(this, du, "2", QStringLiteral("Cancel"), QRect(129, 24, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CCategoryNameDlg::exec()
{
    setWindowTitle(title_);
    edit_->setText(name_);
    edit_->setFocus();
    edit_->selectAll();
    return QDialog::exec();
}

void CCategoryNameDlg::accept()
{
    NameVerdict verdict = checkCategoryName(table_, toCp1252(edit_->text()), toUtf8(title_));
    if (verdict.refusal) {
        showMessage(boxes_, *verdict.refusal);
        edit_->setFocus();
        return;
    }
    accepted_ = std::move(verdict.accepted);
    name_ = fromCp1252(accepted_);
    QDialog::accept();
}

CEditCategoriesDlg::CEditCategoriesDlg(AlbumHeader& header, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), header_(header), boxes_(boxes), editor_(header)
{
    setObjectName(QStringLiteral("139"));
    setWindowTitle(toQString(categoryText::kEditTitle));
    setFont(DialogUnits::dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(186), du.y(112));

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("1033"));
    list_->setGeometry(du.rect(7, 7, 114, 98));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSortingEnabled(false);
    selectWithFirstKey(*list_);

    auto* ok = placeButton(this, du, "1", QStringLiteral("OK"), QRect(129, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* add = placeButton(this, du, "1030", QStringLiteral("&New ..."), QRect(129, 33, 50, 14));
    connect(add, &QPushButton::clicked, this, &CEditCategoriesDlg::newCategory);
    auto* del = placeButton(this, du, "1031", QStringLiteral("&Delete ..."), QRect(129, 51, 50, 14));
    connect(del, &QPushButton::clicked, this, &CEditCategoriesDlg::deleteCategory);
    auto* ren = placeButton(this, du, "1032", QStringLiteral("R&ename ..."), QRect(129, 69, 50, 14));
    connect(ren, &QPushButton::clicked, this, &CEditCategoriesDlg::renameCategory);
    auto* cancel = placeButton(this, du, "2", QStringLiteral("Cancel"), QRect(129, 91, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CEditCategoriesDlg::exec()
{
    editor_ = CategoryEditor(header_);
    fillList();
    return QDialog::exec();
}

void CEditCategoriesDlg::accept()
{
    editor_.commitTo(header_);
    QDialog::accept();
}

void CEditCategoriesDlg::fillList(std::string_view selectName)
{
    list_->clear();
    const SortedList entries = editor_.listEntries();
    for (const std::string& entry : entries.items())
        list_->addItem(toQString(entry));
    const int row = selectName.empty() ? -1 : selectionFor(entries, cp1252ToUtf8(selectName));
    if (row >= 0) {
        list_->setCurrentRow(row);
    } else {
        list_->clearSelection();
        list_->setCurrentRow(-1);
    }
}

std::optional<std::string> CEditCategoriesDlg::selectedName() const
{
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return toCp1252(selected.front()->text());
}

void CEditCategoriesDlg::newCategory()
{
    const std::optional<int> slot = editor_.freeSlot();
    if (!slot) {
        showMessage(boxes_, categoryText::tooMany());
        return;
    }
    CCategoryNameDlg dlg(editor_.working(), boxes_, this);
    dlg.setTitle(toQString(categoryText::kNewTitle));
    dlg.setName(QString());
    if (dlg.exec() != QDialog::Accepted)
        return;
    editor_.create(*slot, dlg.acceptedName());
    fillList(dlg.acceptedName());
}

void CEditCategoriesDlg::renameCategory()
{
    const std::optional<std::string> name = selectedName();
    if (!name) {
        showMessage(boxes_, categoryText::selectFirst(categoryText::kRenameTitle));
        return;
    }
    const std::optional<int> slot = editor_.listedSlot(*name);
    if (!slot)
        return;
    CCategoryNameDlg dlg(editor_.working(), boxes_, this);
    dlg.setTitle(toQString(categoryText::kRenameTitle));
    dlg.setName(fromCp1252(*name));
    if (dlg.exec() != QDialog::Accepted)
        return;
    editor_.rename(*slot, dlg.acceptedName());
    fillList(dlg.acceptedName());
}

void CEditCategoriesDlg::deleteCategory()
{
    const std::optional<std::string> name = selectedName();
    if (!name) {
        showMessage(boxes_, categoryText::selectFirst(categoryText::kDeleteTitle));
        return;
    }
    if (showMessage(boxes_, categoryText::deleteQuestion(cp1252ToUtf8(*name))) != MsgAnswer::Yes)
        return;
    if (const std::optional<int> slot = editor_.listedSlot(*name))
        editor_.remove(*slot);
    fillList();
}

}  // namespace hf
