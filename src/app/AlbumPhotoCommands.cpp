#include "AlbumWindow.h"

#include "Text.h"

#include <QListWidget>

// The commands on the listed photos: remove and move.
namespace hf {

std::optional<int> AlbumWindow::photoAfterDialog(const std::string& pathField, std::uint64_t reloadsBefore,
                                                 int record, const char* caption)
{
    if (reloads_ == reloadsBefore)
        return record;
    // The album was read again while the user answered: act on the same
    // photo in the album as the synchronisation left it, never on the index
    // the old album had.
    if (const std::optional<int> found = album_->findPhotoByPath(pathField))
        return found;
    boxes().show("The photo is no longer in the album: the handheld's synchronisation has just removed it.  "
                 "Nothing was changed.",
                 caption, MsgStyle::Exclamation);
    return std::nullopt;
}

void AlbumWindow::removePhoto()
{
    const int row = currentRow();
    if (row < 0) {
        boxes().show("You must first select a photo from the list.", "Remove Photo", MsgStyle::Ok);
        return;
    }
    const int record = recordOfRow(row);
    const PhotoRecord& chosen = album_->records[static_cast<std::size_t>(record)];
    const std::string name = cp1252ToUtf8(fieldText(chosen.pictureName));
    const std::string pathField(fieldText(chosen.picturePath));
    const std::uint64_t reloadsBefore = reloads_;
    if (boxes().show("Really remove " + name + " from the album?", "Remove Photo", MsgStyle::YesNo) != MsgAnswer::Yes)
        return;
    const std::optional<int> target = photoAfterDialog(pathField, reloadsBefore, record, "Remove Photo");
    if (!target || !session_.hasProgramFolder())
        return;

    const int targetRow = rowOfRecord(*target);
    album_->removeRecord(*target, programFolder());
    if (targetRow >= 0) {
        filling_ = true;
        delete list_->takeItem(targetRow);
        filling_ = false;
        if (list_->count() > 0) {
            selectRow(targetRow > 0 ? targetRow - 1 : 0);
            list_->setFocus();
        }
    }
    session_.saveAlbum();
    refreshPreview();
    updateCommands();
}

void AlbumWindow::moveRow(int step)
{
    const int r = currentRow();
    const int other = r + step;
    if (r < 0 || other < 0 || other >= list_->count())
        return;
    QListWidgetItem* here = list_->item(r);
    QListWidgetItem* there = list_->item(other);
    const int a = here->data(Qt::UserRole).toInt();
    const int b = there->data(Qt::UserRole).toInt();
    // Each place in the list keeps its record index; the names change places
    // and the records' contents follow them.
    const QString text = here->text();
    here->setText(there->text());
    there->setText(text);
    album_->exchangeRecords(a, b);
    session_.saveAlbum();
    list_->setFocus();
    selectRow(other);
    updateCommands();
}

void AlbumWindow::movePhotoDown()
{
    moveRow(1);
}

void AlbumWindow::movePhotoUp()
{
    moveRow(-1);
}

}  // namespace hf
