#include "AboutBox.h"

#include "DialogUnits.h"
#include "ProgramIcon.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace hf {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("100"));
    setWindowTitle(QStringLiteral("About Handfolio 2.6"));
    setFont(DialogUnits::dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(217), du.y(55));

    auto* icon = new QLabel(this);
    icon->setPixmap(programIcon().pixmap(32, 32));
    icon->setGeometry(du.rect(11, 17, 20, 20));
    auto* text = new QLabel(QStringLiteral("Handfolio Version 2.6"), this);
    text->setGeometry(du.rect(40, 10, 119, 8));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    ok->setGeometry(du.rect(178, 7, 32, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace hf
