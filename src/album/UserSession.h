#pragma once

#include "Album.h"
#include "HandheldDesktop.h"
#include "MessageBoxes.h"
#include "Profile.h"
#include "Text.h"

#include <filesystem>
#include <string>

namespace hf {

inline constexpr const char* kPrefsSection = "Prefs";
inline constexpr const char* kPrevUserValue = "PrevUser";

// Picks the entry of a sorted user list for the remembered user: the first
// entry that begins with it (ignoring case), kept only when it is exactly the
// remembered name; otherwise the first entry. -1 for an empty list.
int chooseUser(const SortedList& users, std::string_view remembered);

// The handheld users as the Album window's User box shows them, the current
// user's program folder, and the album that belongs to it.
class UserSession {
public:
    UserSession(HandheldDesktop& desktop, Profile& profile, MessageBoxes& boxes, Album& album);

    void readRememberedUser();
    void fillUserList();
    void findProgramFolder();
    void rememberUser();

    // Saves the current album, then makes users()[index] current, remembers
    // it and loads its album (the categories repaired).
    void switchUser(int index);

    // Loads the album of the current program folder, with its checks, after
    // clearing away temporary files that a crash left there.
    void loadAlbum();
    // Saves into the program folder; without one there is nothing to save,
    // and nothing is said.
    bool saveAlbum();

    // The answer to a reload request: reads the user list again and loads
    // the album of the user then selected. When that user's program folder
    // is not the open one, this is a change of user in which the album in
    // memory is dropped, not saved: the synchronisation has just written the
    // files. True when the program folder changed.
    bool reload();

    bool hasProgramFolder() const { return !programFolder_.empty(); }
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
};

}  // namespace hf
