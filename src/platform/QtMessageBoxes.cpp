#include "QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace hf {

QWidget* QtMessageBoxes::currentOwner() const
{
    // Never the active window: a help window the user is reading can be
    // active while a dialog waits for its answer.
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return owner_;
}

void prepareMessageBox(QMessageBox& box, std::string_view text, std::string_view caption, MsgStyle style)
{
    box.setObjectName("MessageBox");
    box.setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    box.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    box.setTextFormat(Qt::PlainText);
    switch (style) {
    case MsgStyle::YesNo:
        // A question box shows its two buttons and nothing else.
        box.setIcon(QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MsgStyle::Exclamation:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgStyle::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
}

MsgAnswer messageBoxAnswer(int result, MsgStyle style)
{
    if (style != MsgStyle::YesNo)
        return MsgAnswer::Ok;
    return result == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

MsgAnswer QtMessageBoxes::show(std::string_view text, std::string_view caption, MsgStyle style)
{
    QMessageBox box(currentOwner());
    prepareMessageBox(box, text, caption, style);
    return messageBoxAnswer(box.exec(), style);
}

}  // namespace hf
