#include "QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace hf {

MsgAnswer QtMessageBoxes::show(std::string_view text, std::string_view caption, MsgStyle style)
{
    QWidget* owner = owner_ ? owner_ : QApplication::activeWindow();
    QMessageBox box(owner);
    box.setObjectName("MessageBox");
    box.setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    box.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    box.setTextFormat(Qt::PlainText);
    switch (style) {
    case MsgStyle::YesNo:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case MsgStyle::Exclamation:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgStyle::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    const int answer = box.exec();
    if (style != MsgStyle::YesNo)
        return MsgAnswer::Ok;
    return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

}  // namespace hf
