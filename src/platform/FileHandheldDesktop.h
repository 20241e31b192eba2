#pragma once

#include "HandheldDesktop.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace hf {

// The handheld desktop's users and folders, kept in "users.ini" in the
// desktop folder ($HANDFOLIO_PALM_DIR, by default ~/Palm):
//
//   [Users]
//   Count=2
//   User0=Ann Smith
//   Folder0=AnnS          (relative to the desktop folder, or absolute)
//   User1=Bob
//   Folder1=Bob
//   [Creators]
//   Wz4k=Handfolio
//
// When the file is missing, one is written with a single user named after
// the login, so that a first start works at once. A user folder below the
// desktop folder is created when it is missing; nothing else creates it on
// this platform. A missing folder elsewhere (an unplugged drive) is never
// created: that user has no folder.
class FileHandheldDesktop final : public HandheldDesktop {
public:
    explicit FileHandheldDesktop(std::filesystem::path desktopFolder);

    // The folder named by $HANDFOLIO_PALM_DIR, or ~/Palm.
    static std::filesystem::path defaultFolder();
    static constexpr const char* kFileName = "users.ini";

    int userCount() override;
    std::string userName(int index) override;
    std::filesystem::path userFolder(std::string_view userName) override;
    std::string creatorFolder(std::string_view creatorId) override;
    void refresh() override;
    std::filesystem::path userListFile() const override { return folder_ / kFileName; }

    const std::filesystem::path& desktopFolder() const { return folder_; }

private:
    struct User {
        std::string name;
        std::filesystem::path folder;
    };
    void load(bool createWhenMissing);
    void createDefault();

    std::filesystem::path folder_;
    std::vector<User> users_;
    std::map<std::string, std::string, std::less<>> creators_;
};

}  // namespace hf
