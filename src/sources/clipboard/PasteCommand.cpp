#include "PasteCommand.h"

#include "ClipboardPicture.h"
#include "PhotoSourceHost.h"

#include <QApplication>
#include <QClipboard>
#include <QWidget>

namespace hf {

PasteCommand::PasteCommand(PhotoSourceHost& host) : QObject(host.owner()), host_(host)
{
    host.addSourceCommand({32779, "&Paste from Clipboard", [this] { paste(); }});
}

void PasteCommand::paste()
{
    if (host_.refuseWhenFull())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ClipboardPicture clipboard(QApplication::clipboard()->mimeData());
    const bool ready = clipboard.ready();
    LBitmap picture = ready ? clipboard.paste() : LBitmap{};
    QApplication::restoreOverrideCursor();
    if (!ready) {
        host_.boxes().show("You must first copy an image to the clipboard.", kCaption, MsgStyle::Exclamation);
        return;
    }
    if (!picture.IsAllocated()) {
        host_.boxes().show("There was an error copying the image from the clipboard.", kCaption, MsgStyle::Exclamation);
        return;
    }
    editNewPhoto(host_, std::move(picture), "New Picture");
}

}  // namespace hf
