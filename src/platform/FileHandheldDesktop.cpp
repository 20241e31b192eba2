#include "FileHandheldDesktop.h"

#include "AlbumFormat.h"
#include "SafeFiles.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace hf {
namespace {

std::string loginName()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name && *pw->pw_name)
        return pw->pw_name;
    if (const char* user = std::getenv("USER"); user && *user)
        return user;
    return "User";
}

// A folder name made from a user name: path separators and leading dots go.
std::string folderNameFor(const std::string& user)
{
    std::string out;
    for (char c : user)
        out.push_back(c == '/' || c == '\\' ? '_' : c);
    while (!out.empty() && out.front() == '.')
        out.erase(out.begin());
    return out.empty() ? std::string("User") : out;
}

// Whether path lies inside folder, judged on the words of the paths: a
// missing folder cannot be resolved on disk.
bool isBelow(const fs::path& path, const fs::path& folder)
{
    const fs::path p = path.lexically_normal();
    const fs::path base = folder.lexically_normal();
    const fs::path rel = p.lexically_relative(base);
    return !rel.empty() && rel != "." && *rel.begin() != "..";
}

}  // namespace

FileHandheldDesktop::FileHandheldDesktop(fs::path desktopFolder) : folder_(std::move(desktopFolder))
{
    load(true);
}

fs::path FileHandheldDesktop::defaultFolder()
{
    if (const char* dir = std::getenv("HANDFOLIO_PALM_DIR"); dir && *dir)
        return dir;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    return fs::path(home) / "Palm";
}

void FileHandheldDesktop::refresh()
{
    users_.clear();
    creators_.clear();
    load(false);
}

void FileHandheldDesktop::load(bool createWhenMissing)
{
    const fs::path file = folder_ / kFileName;
    const std::optional<std::string> text = readRegularFile(file, 1 << 20);
    if (!text) {
        std::error_code ec;
        if (createWhenMissing && !fs::exists(fs::symlink_status(file, ec)))
            createDefault();
        return;
    }
    // Editors on other systems often start the file with a byte-order mark.
    std::istringstream in(text->starts_with("\xEF\xBB\xBF") ? text->substr(3) : *text);

    std::map<std::string, std::string> users;
    std::string section, line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (section == "Users")
            users[key] = value;
        else if (section == "Creators")
            creators_[key] = value;
    }

    int count = 0;
    if (auto it = users.find("Count"); it != users.end()) {
        const std::string& text = it->second;
        const std::size_t digits = std::min(text.find_first_not_of(" \t"), text.size());
        std::from_chars(text.data() + digits, text.data() + text.size(), count);
    }
    for (int i = 0; i < count && i < 10000; ++i) {
        auto name = users.find("User" + std::to_string(i));
        auto dir = users.find("Folder" + std::to_string(i));
        if (name == users.end() || dir == users.end() || name->second.empty() || dir->second.empty())
            continue;
        fs::path folder(dir->second);
        users_.push_back({name->second, folder.is_absolute() ? folder : folder_ / folder});
    }
}

void FileHandheldDesktop::createDefault()
{
    const std::string user = loginName();
    const std::string dir = folderNameFor(user);
    std::error_code ec;
    fs::create_directories(folder_ / dir, ec);
    std::ofstream out(folder_ / kFileName);
    out << "; Handheld users and their folders, as the handheld desktop knows them.\n"
        << "[Users]\nCount=1\nUser0=" << user << "\nFolder0=" << dir << "\n"
        << "[Creators]\n"
        << kCreatorId << "=Handfolio\n";
    users_.push_back({user, folder_ / dir});
    creators_[kCreatorId] = "Handfolio";
}

int FileHandheldDesktop::userCount()
{
    return static_cast<int>(users_.size());
}

std::string FileHandheldDesktop::userName(int index)
{
    if (index < 0 || index >= userCount())
        return {};
    return users_[static_cast<std::size_t>(index)].name;
}

fs::path FileHandheldDesktop::userFolder(std::string_view userName)
{
    for (const User& u : users_) {
        if (u.name != userName)
            continue;
        std::error_code ec;
        if (fs::is_directory(u.folder, ec))
            return u.folder;
        // Made by its plain form, or "../x/../Ann" would leave an "x" beside
        // the desktop folder on the way.
        fs::path plain = u.folder.lexically_normal();
        if (!isBelow(plain, folder_) || !fs::create_directories(plain, ec))
            return {};
        return plain;
    }
    return {};
}

std::string FileHandheldDesktop::creatorFolder(std::string_view creatorId)
{
    auto it = creators_.find(creatorId);
    return it == creators_.end() ? std::string() : it->second;
}

}  // namespace hf
