#include "UserSession.h"

#include "Leftovers.h"
#include "SafeFiles.h"

#include <sys/stat.h>

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

FileIdentity identityOf(const fs::path& file)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return {};
    return {true, st.st_dev, st.st_ino, st.st_size,
            std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

UserSession::UserSession(HandheldDesktop& desktop, Profile& profile, MessageBoxes& boxes, Album& album,
                         std::string program)
    : desktop_(desktop), profile_(profile), boxes_(boxes), album_(album), program_(std::move(program))
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

bool UserSession::selectUser(std::string_view name)
{
    const int found = users_.findExact(name);
    if (found < 0)
        return false;
    current_ = found;
    return true;
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

std::string UserSession::userOwning(const fs::path& folder) const
{
    const std::string creator = desktop_.creatorFolder(kCreatorId);
    std::error_code ec;
    for (const std::string& user : users_.items()) {
        const fs::path userFolder = desktop_.userFolder(user);
        if (!userFolder.empty() && !creator.empty() && fs::equivalent(userFolder / creator, folder, ec))
            return user;
    }
    return {};
}

void UserSession::rememberUser()
{
    remembered_ = currentUser();
    profile_.setString(kPrefsSection, kPrevUserValue, remembered_);
}

void UserSession::switchUser(int index)
{
    (void)saveAlbum(false);
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
    bool fresh = false;
    if (lock_.folder() != programFolder_ || !lock_.held()) {
        lock_ = AlbumLock();  // let go of the previous user's album first
        lock_ = AlbumLock::take(programFolder_, program_);
        fresh = lock_.held();
    }
    if (!fresh)
        removeStaleTemporaryFiles(programFolder_, {kAlbumTempPrefix, kPictureTempPrefix}, kStaleTemporaryAge);
    loaded_ = identityOf(Album::albumFile(programFolder_));
    unsaved_ = false;
    album_.loadAlbum(programFolder_, boxes_);
    if (fresh)
        removeLeftovers(programFolder_, album_);
}

bool UserSession::albumChangedOnDisk() const
{
    if (programFolder_.empty())
        return false;
    // An album that has gone holds nothing to lose: the next save writes it.
    const FileIdentity now = identityOf(Album::albumFile(programFolder_));
    return now.exists && now != loaded_;
}

SaveResult UserSession::saveAlbum(bool afterChange)
{
    if (programFolder_.empty() || readOnly())
        return SaveResult::Saved;
    if (albumChangedOnDisk()) {
        if (!afterChange && !unsaved_)
            return SaveResult::Saved;
        const std::optional<fs::path> kept = album_.saveCopyBeside(programFolder_, boxes_);
        if (!kept)
            return SaveResult::Failed;
        boxes_.show("Photos.dat was replaced by another program while Handfolio had the album open (the "
                    "handheld's synchronisation, for instance).  Handfolio has read the album again; your last "
                    "change is not in it, but in the copy Handfolio kept of its own album: " +
                        kept->string(),
                    "Handfolio", MsgStyle::Exclamation);
        loadAlbum();
        return SaveResult::KeptBoth;
    }
    unsaved_ = !album_.saveAlbum(programFolder_, boxes_);
    if (unsaved_)
        return SaveResult::Failed;
    loaded_ = identityOf(Album::albumFile(programFolder_));
    return SaveResult::Saved;
}

}  // namespace hf
