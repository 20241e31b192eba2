#pragma once

#include "Album.h"
#include "AlbumLock.h"
#include "HandheldDesktop.h"
#include "MessageBoxes.h"
#include "Profile.h"
#include "Text.h"

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

namespace hf {

inline constexpr const char* kPrefsSection = "Prefs";
inline constexpr const char* kPrevUserValue = "PrevUser";

// Picks the entry of a sorted user list for the remembered user: the first
// entry that begins with it (ignoring case), kept only when it is exactly the
// remembered name; otherwise the first entry. -1 for an empty list.
int chooseUser(const SortedList& users, std::string_view remembered);

// Which file a name stood for when it was last read or written: another
// program that replaces it makes a new one.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t mtimeNs = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
FileIdentity identityOf(const std::filesystem::path& file);

enum class SaveResult {
    Saved,
    Failed,    // the user was told; the album in memory stays for the next save
    KeptBoth,  // another program had replaced the album: ours was kept beside it and theirs loaded
};

// The handheld users as the Album window's User box shows them, the current
// user's program folder, and the album that belongs to it, with the album's
// lock: while another program has the album open it is read only here.
class UserSession {
public:
    // program: how this program names itself to another one that finds the
    // album locked.
    UserSession(HandheldDesktop& desktop, Profile& profile, MessageBoxes& boxes, Album& album,
                std::string program = "Handfolio");

    void readRememberedUser();
    void fillUserList();
    // Makes the user of that exact name current, without saving or
    // remembering anything; false when there is no such user.
    bool selectUser(std::string_view name);
    void findProgramFolder();
    void rememberUser();

    // Saves the current album, then makes users()[index] current, remembers
    // it and loads its album (the categories repaired).
    void switchUser(int index);

    // Takes the album's lock when it does not hold it yet and loads the
    // album of the current program folder, with its checks. When the lock
    // was just taken, what a killed program left there is cleared away;
    // without it, only temporary files too old to be another program's.
    void loadAlbum();
    // Saves into the program folder; without one, or while the album is
    // read only, there is nothing to save and nothing is said. When another
    // program has replaced Photos.dat since it was read, this album is kept
    // beside it, the user is told, and the other one is loaded; unless
    // nothing changed here since the last save (afterChange false, as at
    // exit), when the other program's album simply stays.
    [[nodiscard]] SaveResult saveAlbum(bool afterChange = true);
    // Whether Photos.dat is there but no longer the file this session read
    // or wrote.
    bool albumChangedOnDisk() const;
    // Another program has the album open: nothing may be changed here.
    bool readOnly() const { return lock_.state() == AlbumLock::State::HeldElsewhere; }
    const AlbumLock& lock() const { return lock_; }

    // The answer to a reload request: reads the user list again and loads
    // the album of the user then selected. When that user's program folder
    // is not the open one, this is a change of user in which the album in
    // memory is dropped, not saved: the synchronisation has just written the
    // files. True when the program folder changed.
    bool reload();

    bool hasProgramFolder() const { return !programFolder_.empty(); }
    // The user (UTF-8) whose program folder this is; empty for none.
    std::string userOwning(const std::filesystem::path& folder) const;
    std::filesystem::path userListFile() const { return desktop_.userListFile(); }

    const SortedList& users() const { return users_; }
    int currentIndex() const { return current_; }
    // The current user name (UTF-8), empty when there are no users.
    std::string currentUser() const;
    const std::string& rememberedUser() const { return remembered_; }
    const std::filesystem::path& programFolder() const { return programFolder_; }

private:
    HandheldDesktop& desktop_;
    Profile& profile_;
    MessageBoxes& boxes_;
    Album& album_;
    SortedList users_;
    int current_ = -1;
    std::string remembered_;
    std::filesystem::path programFolder_;
    std::string program_;
    AlbumLock lock_;
    FileIdentity loaded_;   // Photos.dat as last read or written
    bool unsaved_ = false;  // the last save failed
};

}  // namespace hf
