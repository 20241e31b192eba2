#include "AlbumWindow.h"

#include "PictureDetailsDlg.h"

#include <QListWidget>

// The window's commands: each one asks the controller, runs the dialog it
// needs, and shows the outcome.
namespace hf {

void AlbumWindow::removePhoto()
{
    const bool focus = controller_.removePhoto();
    showState();
    if (focus)
        list_->setFocus();
}

void AlbumWindow::movePhotoUp()
{
    controller_.movePhoto(-1);
    showState();
    list_->setFocus();
}

void AlbumWindow::movePhotoDown()
{
    controller_.movePhoto(1);
    showState();
    list_->setFocus();
}

void AlbumWindow::showDetails()
{
    const std::optional<PhotoTicket> ticket = controller_.detailsTicket();
    showState();
    if (!ticket)
        return;
    // The dialog edits copies: a reload that comes while it is open must not
    // have its answer written into whatever record then sits at this index.
    AlbumHeader header = ticket->header;
    PhotoRecord edited = album().records[static_cast<std::size_t>(ticket->record)];
    CPictureDetailsDlg details(header, edited, boxes(), this);
    const bool ok = details.exec() == QDialog::Accepted;
    if (!ok && !details.categoriesChanged())
        return;
    controller_.applyDetails(*ticket, header, edited, details.categoriesChanged());
    showState();
}

void AlbumWindow::categoryChanged(int index)
{
    if (!controller_.chooseFilter(index))
        return;
    showState();
    list_->setFocus();
}

void AlbumWindow::switchUser(int index)
{
    controller_.switchUser(index);
    showState();
}

void AlbumWindow::refreshPreview()
{
    controller_.refreshPreview();
    showState();
}

}  // namespace hf
