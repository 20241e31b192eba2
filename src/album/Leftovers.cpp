#include "Leftovers.h"

#include "Album.h"
#include "Text.h"

#include <set>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace hf {
namespace {

bool digits(std::string_view s)
{
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// "<prefix>XXXXXX": the temporary files the album and the editor write.
bool isTemporary(std::string_view name)
{
    for (const std::string_view prefix : {kAlbumTempPrefix, kPictureTempPrefix}) {
        if (name.size() == prefix.size() + 6 && name.substr(0, prefix.size()) == prefix)
            return true;
    }
    return false;
}

// t0001.jpg, 0001.jpg, and the same as ".t0001.jpg.part" while being written.
bool isDownloadFile(std::string_view name)
{
    if (name.size() > 6 && name.front() == '.' && name.substr(name.size() - 5) == ".part")
        name = name.substr(1, name.size() - 6);
    if (name.size() < 5 || name.substr(name.size() - 4) != ".jpg")
        return false;
    name.remove_suffix(4);
    if (!name.empty() && name.front() == 't')
        name.remove_prefix(1);
    return name.size() == 4 && digits(name);
}

bool newerThan(const struct stat& a, const struct stat& b)
{
    return a.st_mtim.tv_sec > b.st_mtim.tv_sec ||
           (a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec > b.st_mtim.tv_nsec);
}

}  // namespace

void removeLeftovers(const fs::path& folder, const Album& album)
{
    if (folder.empty())
        return;
    std::set<std::string> named;
    for (int i = 0; i < album.count; ++i) {
        const fs::path path = recordPath(album.records[static_cast<std::size_t>(i)]);
        if (pictureNumberOf(path, folder))
            named.insert(path.filename().string());
    }
    struct stat albumFile {};
    const bool haveAlbum = ::lstat(Album::albumFile(folder).c_str(), &albumFile) == 0;

    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        const std::string name = path.filename().string();
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const bool unnamedPicture =
            haveAlbum && isPictureFileIn(path, folder) && !named.contains(name) && newerThan(st, albumFile);
        if (isTemporary(name) || isDownloadFile(name) || unnamedPicture) {
            std::error_code ignored;
            fs::remove(path, ignored);
        }
    }
}

}  // namespace hf
