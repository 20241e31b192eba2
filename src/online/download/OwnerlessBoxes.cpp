#include "OwnerlessBoxes.h"

#include "QtText.h"

#include <QEventLoop>
#include <QMessageBox>

namespace hf {

MsgAnswer OwnerlessBoxes::show(std::string_view text, std::string_view caption, MsgStyle style)
{
    QMessageBox box;
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setWindowModality(Qt::NonModal);
    box.setWindowTitle(toQString(caption));
    box.setText(toQString(text));
    box.setTextFormat(Qt::PlainText);
    switch (style) {
    case MsgStyle::YesNo:
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
    QEventLoop loop;
    int answer = QMessageBox::No;
    QObject::connect(&box, &QMessageBox::finished, &loop, [&](int result) {
        answer = result;
        loop.quit();
    });
    open_.append(&box);
    box.show();
    loop.exec();
    open_.removeAll(&box);
    if (style != MsgStyle::YesNo)
        return MsgAnswer::Ok;
    return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

void OwnerlessBoxes::closeAll()
{
    for (const QPointer<QMessageBox>& box : QList<QPointer<QMessageBox>>(open_)) {
        if (box)
            box->done(QMessageBox::No);
    }
}

}  // namespace hf
