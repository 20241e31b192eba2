#include "AlbumController.h"

#include "CategoryTable.h"

#include <cstring>

namespace fs = std::filesystem;

// The commands that change the album: remove, move, details and the intake
// of a new picture.
namespace hf {

PhotoTicket AlbumController::ticketOf(int record) const
{
    return {generation_, record, std::string(fieldText(album_->records[static_cast<std::size_t>(record)].picturePath)),
            album_->header};
}

std::optional<int> AlbumController::photoAfterDialog(const PhotoTicket& ticket, const char* caption)
{
    if (ticket.generation == generation_)
        return ticket.record;
    // The album was read again while the user answered: act on the same
    // photo in the album as the synchronisation left it, never on the index
    // the old album had.
    if (const std::optional<int> found = album_->findPhotoByPath(ticket.pathField))
        return found;
    boxes_.show("The photo is no longer in the album: the handheld's synchronisation has just removed it.  "
                "Nothing was changed.",
                caption, MsgStyle::Exclamation);
    return std::nullopt;
}

bool AlbumController::refuseReadOnly(const char* caption)
{
    if (!session_.readOnly())
        return false;
    const std::string& holder = session_.lock().holder();
    boxes_.show("The album is open in " + (holder.empty() ? std::string("another program") : holder) +
                    ", so Handfolio does not change it here.",
                caption, MsgStyle::Exclamation);
    return true;
}

bool AlbumController::removePhoto()
{
    if (refuseReadOnly("Remove Photo"))
        return false;
    const int row = currentRow();
    if (row < 0) {
        boxes_.show("You must first select a photo from the list.", "Remove Photo", MsgStyle::Ok);
        return false;
    }
    const PhotoTicket ticket = ticketOf(recordOfRow(row));
    const std::string name = cp1252ToUtf8(rowName(row));
    if (boxes_.show("Really remove " + name + " from the album?", "Remove Photo", MsgStyle::YesNo) != MsgAnswer::Yes)
        return false;
    catchUpWithDisk();
    const std::optional<int> target = photoAfterDialog(ticket, "Remove Photo");
    if (!target || !session_.hasProgramFolder())
        return false;

    const int targetRow = rowOfRecord(*target);
    album_->removeRecord(*target, programFolder());
    bool focus = false;
    if (targetRow >= 0) {
        rows_.erase(rows_.begin() + targetRow);
        ++rowsVersion_;
        if (selected_ == targetRow)
            selected_ = -1;
        else if (selected_ > targetRow)
            --selected_;
        if (!rows_.empty()) {
            selectRow(targetRow > 0 ? targetRow - 1 : 0);
            focus = true;
        }
    }
    saveChange();
    refreshPreview();
    updateCommands();
    return focus;
}

void AlbumController::movePhoto(int step)
{
    const int r = currentRow();
    const int other = r + step;
    if (r < 0 || other < 0 || other >= rowCount() || refuseReadOnly("Move Photo"))
        return;
    if (catchUpWithDisk()) {
        boxes_.show("The album was changed by another program and has been read again.  Nothing was moved.",
                    "Move Photo", MsgStyle::Exclamation);
        return;
    }
    // Each place in the list keeps its record index; the records' contents
    // change places, and with them the names the rows show.
    album_->exchangeRecords(recordOfRow(r), recordOfRow(other));
    ++rowsVersion_;
    saveChange();
    selectRow(other);
    updateCommands();
}

std::optional<PhotoTicket> AlbumController::detailsTicket()
{
    if (refuseReadOnly("Picture Details"))
        return std::nullopt;
    const int row = currentRow();
    if (row < 0) {
        boxes_.show("Please select an item from the list.", "Picture Details", MsgStyle::Ok);
        return std::nullopt;
    }
    return ticketOf(recordOfRow(row));
}

void AlbumController::applyDetails(const PhotoTicket& ticket, const AlbumHeader& header, const PhotoRecord& edited,
                                   bool categoriesChanged)
{
    catchUpWithDisk();
    const std::optional<int> target = photoAfterDialog(ticket, "Picture Details");
    if (!target)
        return;
    const bool reloaded = ticket.generation != generation_;
    PhotoRecord& r = album_->records[static_cast<std::size_t>(*target)];
    if (!reloaded)
        album_->header = header;
    else if (categoriesChanged)
        mergeCategoryEdits(ticket.header, header, album_->header);
    if (!reloaded) {
        r = edited;
    } else {
        // Only what the user set in the dialog moves onto the reloaded
        // record; the category goes by name, as the slots may differ.
        std::memcpy(r.pictureName, edited.pictureName, sizeof r.pictureName);
        r.privateFlag = edited.privateFlag;
        r.category = album_
                         ->findCategory(fieldText(
                             header.categoryNames[static_cast<std::uint8_t>(edited.category) % kCategorySlots]))
                         .value_or(0);
    }

    album_->repairCategories();
    const std::string filter = filterText();
    fillCategoryFilter();
    if (album_->findCategory(filter)) {
        if (const int index = selectionFor(filterEntries_, cp1252ToUtf8(filter)); index >= 0)
            filterIndex_ = index;
    }
    r.modified = 1;
    refillKeepingSelection();
    if (const int again = rowOfRecord(*target); again >= 0)
        selectRow(again);
    saveChange();
}

bool AlbumController::refuseWhenFull()
{
    if (refuseReadOnly("Add Photo"))
        return true;
    if (!album_->isFull())
        return false;
    boxes_.show(kAlbumFullMessage, "Add Photo", MsgStyle::Exclamation);
    return true;
}

void AlbumController::discardPicture(const fs::path& file)
{
    if (!isPictureFileIn(file, file.parent_path()))
        return;
    const std::string field = file.string();
    for (int i = 0; i < album_->count; ++i) {
        if (fieldText(album_->records[static_cast<std::size_t>(i)].picturePath) == field)
            return;
    }
    std::error_code ec;
    fs::remove(file, ec);
}

std::set<int> AlbumController::takenPictureNumbers() const
{
    std::set<int> taken;
    for (int i = 0; i < album_->count; ++i) {
        if (const std::optional<int> n =
                pictureNumberOf(recordPath(album_->records[static_cast<std::size_t>(i)]), programFolder()))
            taken.insert(*n);
    }
    return taken;
}

bool AlbumController::fileInOtherAlbum(const NewPicture& picture)
{
    const fs::path folder = picture.file.parent_path();
    const std::string user = session_.userOwning(folder);
    const AlbumLock lock = user.empty() ? AlbumLock() : AlbumLock::take(folder, "Handfolio");
    Album other;
    bool filed = false;
    if (lock.held()) {
        other.loadAlbum(folder, boxes_);
        filed = other.appendRecord(picture.name, picture.file, picture.colourMode, 0, utf8ToCp1252(user)) ==
                    Album::AppendResult::Appended &&
                other.saveAlbum(folder, boxes_);
    }
    if (!filed) {
        discardPicture(picture.file);
        boxes_.show("The new picture could not be filed: the album it was made for (in " + folder.string() +
                        ") is no longer open here, and cannot be changed now.",
                    "Add Photo", MsgStyle::Exclamation);
        return false;
    }
    boxes_.show("The new picture was filed in the album of handheld user " + user +
                    ", whose folder it was saved in: the album shown here changed while the editor was open.",
                "Add Photo", MsgStyle::Ok);
    return true;
}

bool AlbumController::fileNewPicture(const NewPicture& picture)
{
    const fs::path folder = picture.file.parent_path();
    std::error_code ec;
    if (!programFolder().empty() && folder.lexically_normal() != programFolder().lexically_normal() &&
        !fs::equivalent(folder, programFolder(), ec))
        return fileInOtherAlbum(picture);
    if (refuseReadOnly("Add Photo")) {
        discardPicture(picture.file);
        return false;
    }
    const std::string filter = filterText();
    // Another program may have replaced the album while the editor was
    // open: the new photo goes into that album, under the same category.
    catchUpWithDisk();
    const int category = filter == kAllCategories ? 0 : album_->findCategory(filter).value_or(0);
    const std::string user = utf8ToCp1252(session_.currentUser());
    switch (album_->appendRecord(picture.name, picture.file, picture.colourMode, category, user)) {
    case Album::AppendResult::Appended:
        break;
    case Album::AppendResult::Full:
        boxes_.show(kAlbumFullMessage, "Add Photo", MsgStyle::Exclamation);
        discardPicture(picture.file);
        return false;
    case Album::AppendResult::PathTooLong:
        boxes_.show("The picture file's path is too long for the album: " + picture.file.string(), "Add Photo",
                    MsgStyle::Exclamation);
        discardPicture(picture.file);
        return false;
    }
    // The editor's choice of model is the album's from now on; it is written
    // here, after any reload that came while the editor was open.
    if (!picture.model.empty())
        copyField(album_->header.lastModel, picture.model);
    saveChange();
    fillPhotoList();
    if (const int row = rowOfRecord(album_->count - 1); row >= 0)
        selectRow(row);
    updateCommands();
    return true;
}

}  // namespace hf
