#include "UserSession.h"

#include "SafeFiles.h"

namespace fs = std::filesystem;

namespace hf {

int chooseUser(const SortedList& users, std::string_view remembered)
{
    if (users.size() == 0)
        return -1;
    if (!remembered.empty()) {
        const int found = users.findPrefix(remembered);
        if (found >= 0 && users[found] == remembered)
            return found;
    }
    return 0;
}

UserSession::UserSession(HandheldDesktop& desktop, Profile& profile, MessageBoxes& boxes, Album& album)
    : desktop_(desktop), profile_(profile), boxes_(boxes), album_(album)
{
}

void UserSession::readRememberedUser()
{
    remembered_ = profile_.getString(kPrefsSection, kPrevUserValue, "");
}

void UserSession::fillUserList()
{
    const int n = desktop_.userCount();
    users_.clear();
    for (int i = 0; i < n; ++i)
        users_.add(desktop_.userName(i));
    current_ = chooseUser(users_, remembered_);
}

std::string UserSession::currentUser() const
{
    return current_ >= 0 ? users_[current_] : std::string();
}

void UserSession::findProgramFolder()
{
    const fs::path userFolder = desktop_.userFolder(currentUser());
    const std::string creator = desktop_.creatorFolder(kCreatorId);
    // Without a user folder there is no program folder, and the album
    // commands are off: never fall back to the working directory.
    if (currentUser().empty() || userFolder.empty() || creator.empty()) {
        programFolder_.clear();
        return;
    }
    programFolder_ = userFolder / creator;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(programFolder_, ec)))
        fs::create_directory(programFolder_, ec);
}

void UserSession::rememberUser()
{
    remembered_ = currentUser();
    profile_.setString(kPrefsSection, kPrevUserValue, remembered_);
}

void UserSession::switchUser(int index)
{
    saveAlbum();
    current_ = (index >= 0 && index < users_.size()) ? index : current_;
    rememberUser();
    findProgramFolder();
    loadAlbum();
    album_.repairCategories();
}

bool UserSession::reload()
{
    const fs::path open = programFolder_;
    desktop_.refresh();
    fillUserList();
    findProgramFolder();
    const bool changed = programFolder_ != open;
    if (changed)
        rememberUser();
    loadAlbum();
    return changed;
}

void UserSession::loadAlbum()
{
    removeStaleTemporaryFiles(programFolder_, {kAlbumTempPrefix, kPictureTempPrefix}, kStaleTemporaryAge);
    album_.loadAlbum(programFolder_, boxes_);
}

bool UserSession::saveAlbum()
{
    if (programFolder_.empty())
        return true;
    return album_.saveAlbum(programFolder_, boxes_);
}

}  // namespace hf
