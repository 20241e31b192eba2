#include "PasteCommand.h"

#include "AlbumWindow.h"
#include "ClipboardPicture.h"
#include "PhotoIntake.h"

#include <QApplication>
#include <QClipboard>

namespace hf {

PasteCommand::PasteCommand(AlbumWindow& window, PhotoIntake& intake)
    : QObject(&window), window_(window), intake_(intake)
{
    connect(&window, &AlbumWindow::pasteRequested, this, &PasteCommand::paste);
}

void PasteCommand::paste()
{
    if (intake_.refuseWhenFull())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ClipboardPicture clipboard(QApplication::clipboard()->mimeData());
    const bool ready = clipboard.ready();
    LBitmap picture = ready ? clipboard.paste() : LBitmap{};
    QApplication::restoreOverrideCursor();
    if (!ready) {
        window_.boxes().show("You must first copy an image to the clipboard.", kCaption, MsgStyle::Exclamation);
        return;
    }
    if (!picture.IsAllocated()) {
        window_.boxes().show("There was an error copying the image from the clipboard.", kCaption,
                             MsgStyle::Exclamation);
        return;
    }
    intake_.runEditor(std::move(picture), "New Picture");
}

}  // namespace hf
