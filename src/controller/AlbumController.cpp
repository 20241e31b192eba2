#include "AlbumController.h"

#include <algorithm>

namespace fs = std::filesystem;

// The album session, the filter, the rows and what the window shows of them.
namespace hf {

AlbumController::AlbumController(HandheldDesktop& desktop, Profile& profile, MessageBoxes& boxes)
    : profile_(profile), boxes_(boxes), album_(std::make_unique<Album>()), session_(desktop, profile, boxes, *album_)
{
}

AlbumController::~AlbumController() = default;

void AlbumController::start()
{
    session_.readRememberedUser();
    session_.fillUserList();
    session_.findProgramFolder();
    session_.loadAlbum();
    ++usersVersion_;
    albumReplaced();
}

void AlbumController::finishStart()
{
    started_ = true;
    tellFolderState();
    tellReadOnly();
}

bool AlbumController::switchUser(int index)
{
    if (index == session_.currentIndex())
        return false;
    session_.switchUser(index);
    ++usersVersion_;
    albumReplaced();
    return true;
}

void AlbumController::closeAlbum()
{
    finalSave();
    session_.rememberUser();
}

void AlbumController::finalSave()
{
    // Every change was saved when it was made; this only retries one that
    // failed, and never puts an old album over a newer one.
    (void)session_.saveAlbum(false);
}

bool AlbumController::catchUpWithDisk()
{
    if (!session_.albumChangedOnDisk())
        return false;
    ++generation_;
    session_.loadAlbum();
    albumReplaced();
    return true;
}

bool AlbumController::saveAlbum()
{
    switch (session_.saveAlbum()) {
    case SaveResult::Saved:
        return true;
    case SaveResult::Failed:
        return false;
    case SaveResult::KeptBoth:
        // The other program's album is the one loaded now.
        ++generation_;
        albumReplaced();
        return false;
    }
    return false;
}

void AlbumController::saveChange()
{
    (void)saveAlbum();
}

void AlbumController::requestReload(bool dialogOpen)
{
    if (dialogOpen) {
        reloadPending_ = true;
        return;
    }
    reloadPending_ = false;
    reloadAlbum();
}

void AlbumController::reloadAlbum()
{
    ++generation_;
    session_.reload();
    ++usersVersion_;
    albumReplaced();
}

void AlbumController::albumReplaced()
{
    album_->repairCategories();
    fillCategoryFilter();
    fillPhotoList();
    updateCommands();
    tellFolderState();
    tellReadOnly();
}

void AlbumController::tellReadOnly()
{
    const AlbumLock& lock = session_.lock();
    if (!session_.readOnly()) {
        toldReadOnly_.clear();
        return;
    }
    if (!started_ || toldReadOnly_ == lock.folder())
        return;
    toldReadOnly_ = lock.folder();
    boxes_.show("The album of handheld user " + session_.currentUser() + " is open in " +
                    (lock.holder().empty() ? std::string("another program") : lock.holder()) +
                    ".  Handfolio shows it here read-only, so that neither program overwrites what the other "
                    "adds.\n\nClose the other program, then start Handfolio again to make changes here.",
                "Handfolio", MsgStyle::Exclamation);
}

void AlbumController::tellFolderState()
{
    if (session_.hasProgramFolder()) {
        toldNoFolder_ = false;
        return;
    }
    refreshPreview();
    if (toldNoFolder_ || !started_)
        return;
    toldNoFolder_ = true;
    const std::string list = session_.userListFile().string();
    const std::string where = list.empty() ? std::string() : " (" + list + ")";
    boxes_.show(session_.users().size() == 0
                    ? "There is no handheld user to keep an album for.\n\nAdd a handheld user with a folder to the "
                      "handheld desktop's user list" +
                          where + ", then send a reload or start Handfolio again."
                    : "The folder of handheld user " + session_.currentUser() +
                          " cannot be found, so Handfolio cannot keep an album for this user.\n\nConnect the drive "
                          "that holds it, or give the user a folder in the handheld desktop's user list" +
                          where + ", then choose the user again.",
                "Handfolio", MsgStyle::Exclamation);
}

std::string AlbumController::filterText() const
{
    return filterIndex_ >= 0 ? utf8ToCp1252(filterEntries_[filterIndex_]) : std::string();
}

void AlbumController::fillCategoryFilter()
{
    filterEntries_.clear();
    filterEntries_.add(kAllCategories);
    for (int slot = 0; slot < kCategorySlots; ++slot) {
        const std::string_view name = album_->categoryName(slot);
        if (!name.empty())
            filterEntries_.add(cp1252ToUtf8(name));
    }
    filterIndex_ = filterEntries_.findPrefix(kAllCategories);
    ++filterVersion_;
}

bool AlbumController::chooseFilter(int index)
{
    if (index >= 0 && index < filterEntries_.size())
        filterIndex_ = index;
    // Choosing the entry that is already shown is no new selection.
    if (filterText() == shownFilter_)
        return false;
    fillPhotoList();
    if (rowCount() > 0)
        selectRow(0);
    return true;
}

void AlbumController::fillPhotoList()
{
    rows_.clear();
    selected_ = -1;
    const std::string filter = filterText();
    shownFilter_ = filter;
    const bool all = filter == kAllCategories;
    const std::optional<int> slot = album_->findCategory(filter);
    for (int i = 0; i < album_->count; ++i) {
        const PhotoRecord& r = album_->records[static_cast<std::size_t>(i)];
        if (r.deleted == 0 && (all || (slot && r.category == *slot)))
            rows_.push_back(i);
    }
    ++rowsVersion_;
    if (!rows_.empty())
        selectRow(0);
    else
        refreshPreview();
    updateCommands();
}

void AlbumController::refillKeepingSelection()
{
    const int row = currentRow();
    const int record = row >= 0 ? recordOfRow(row) : -1;
    fillPhotoList();
    if (const int again = rowOfRecord(record); again >= 0)
        selectRow(again);
}

int AlbumController::rowOfRecord(int record) const
{
    const auto found = std::find(rows_.begin(), rows_.end(), record);
    return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

std::string_view AlbumController::rowName(int row) const
{
    return fieldText(album_->records[static_cast<std::size_t>(recordOfRow(row))].pictureName);
}

void AlbumController::selectRow(int row)
{
    if (row >= rowCount())
        row = -1;
    if (row == selected_)
        return;
    selected_ = row;
    if (row < 0)
        return;
    refreshPreview();
    updateCommands();
}

int AlbumController::currentRow()
{
    if (rows_.empty())
        return -1;
    if (selected_ < 0)
        selectRow(0);
    return selected_;
}

void AlbumController::setPreview(std::string text, fs::path picture)
{
    preview_ = {std::move(text), std::move(picture)};
    ++previewVersion_;
}

void AlbumController::refreshPreview()
{
    if (!session_.hasProgramFolder()) {
        setPreview("No handheld user folder");
        return;
    }
    const int row = currentRow();
    if (row < 0) {
        setPreview(album_->count > 0 ? "This category has no photos" : "Click 'Add Photo'");
        return;
    }
    fs::path path = recordPath(album_->records[static_cast<std::size_t>(recordOfRow(row))]);
    if (!pictureExists(path)) {
        setPreview("Missing Picture");
        return;
    }
    setPreview({}, std::move(path));
}

void AlbumController::firstPaint()
{
    refreshPreview();
    updateCommands();
}

void AlbumController::updateCommands()
{
    updateCommandsForRows();
    if (!session_.readOnly())
        return;
    CommandState& c = commands_;
    c.remove = c.moveUp = c.moveDown = c.details = false;
    c.canAdd = c.canRemove = c.photoMenu = false;
}

void AlbumController::updateCommandsForRows()
{
    CommandState& c = commands_;
    const int rows = rowCount();
    if (rows == 0) {
        c.remove = c.moveUp = c.moveDown = c.details = false;
        c.canRemove = false;
    } else {
        c.remove = c.details = true;
        c.canRemove = true;
        if (selected_ < 0) {
            c.moveUp = c.moveDown = false;
            return;
        }
        c.moveUp = selected_ != 0;
        c.moveDown = selected_ != rows - 1;
    }

    const bool hasFolder = session_.hasProgramFolder();
    c.canAdd = hasFolder && !album_->isFull();
    c.photoMenu = hasFolder;

    const int row = currentRow();
    if (row < 0) {
        c.name.clear();
        c.category.clear();
        c.privateText.clear();
        return;
    }
    const PhotoRecord& r = album_->records[static_cast<std::size_t>(recordOfRow(row))];
    c.name = fieldText(r.pictureName);
    c.category = album_->categoryName(r.category);
    c.privateText = r.privateFlag != 0 ? "Yes" : "No";
}

bool AlbumController::sourceCommandEnabled(int id) const
{
    if (blocked_.contains(id) || session_.readOnly())
        return false;
    return id == kAddPhotoCommand ? commands_.canAdd : session_.hasProgramFolder();
}

void AlbumController::setCommandBlocked(int id, bool blocked)
{
    if (blocked)
        blocked_.insert(id);
    else
        blocked_.erase(id);
}

}  // namespace hf
