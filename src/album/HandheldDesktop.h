#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace hf {

// The handheld desktop software's knowledge of its users: who they are, where
// each user's folder is, and which sub-folder belongs to a creator ID. Names
// are UTF-8.
class HandheldDesktop {
public:
    virtual ~HandheldDesktop() = default;
    virtual int userCount() = 0;
    virtual std::string userName(int index) = 0;
    // The user's folder, or an empty path for a name the desktop does not
    // know or whose folder is not there.
    virtual std::filesystem::path userFolder(std::string_view userName) = 0;
    virtual std::string creatorFolder(std::string_view creatorId) = 0;
    // Reads the user list again, after a synchronisation may have changed it.
    virtual void refresh() {}
    // Where the user list is kept, for the message that says how to add a
    // user; empty when the desktop cannot say.
    virtual std::filesystem::path userListFile() const { return {}; }
};

}  // namespace hf
