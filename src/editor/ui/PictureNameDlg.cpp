#include "PictureNameDlg.h"

#include "DialogUnits.h"
#include "QtText.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace hf {

CPictureNameDlg::CPictureNameDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("131"));
    setWindowTitle(QStringLiteral("Dialog"));
    setFont(DialogUnits::dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(186), du.y(82));

    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("1013"));
    edit_->setGeometry(du.rect(61, 49, 89, 14));
    limitFieldEdit(edit_, kMaxChars);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setGeometry(du.rect(129, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setGeometry(du.rect(129, 24, 50, 14));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    promptLabel_ = new QLabel(this);
    promptLabel_->setObjectName(QStringLiteral("1012"));
    promptLabel_->setGeometry(du.rect(7, 7, 114, 34));
    promptLabel_->setWordWrap(true);
    promptLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* nameLabel = new QLabel(QStringLiteral("Name:"), this);
    nameLabel->setGeometry(du.rect(35, 51, 22, 8));
}

int CPictureNameDlg::exec()
{
    setWindowTitle(title_);
    promptLabel_->setText(prompt_);
    // The proposal may hold characters the handheld cannot show or be longer
    // than a name may be; offer what can be kept.
    edit_->setText(fromCp1252(toCp1252(name_)).left(kMaxChars));
    edit_->selectAll();
    edit_->setFocus();
    return QDialog::exec();
}

void CPictureNameDlg::accept()
{
    name_ = edit_->text();
    QDialog::accept();
}

}  // namespace hf
