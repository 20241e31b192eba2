#include "OwnerlessBoxes.h"

#include "QtMessageBoxes.h"

#include <QEventLoop>
#include <QMessageBox>

namespace hf {

MsgAnswer OwnerlessBoxes::show(std::string_view text, std::string_view caption, MsgStyle style)
{
    QMessageBox box;
    prepareMessageBox(box, text, caption, style);
    box.setWindowModality(Qt::NonModal);
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
    return messageBoxAnswer(answer, style);
}

void OwnerlessBoxes::closeAll()
{
    for (const QPointer<QMessageBox>& box : QList<QPointer<QMessageBox>>(open_)) {
        if (box)
            box->done(QMessageBox::No);
    }
}

}  // namespace hf
