#include "PictureFileWriter.h"

#include "Album.h"
#include "SafeFiles.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace hf {
namespace {

// How a whole temporary file is given its final name.
enum class Naming { Link, RenameNoReplace, ExclusiveCreate };

bool unsupported(int error)
{
    // EOPNOTSUPP and ENOTSUP are one value on Linux, two elsewhere.
    const bool notSupported = error == EOPNOTSUPP || error == ENOTSUP;  // NOLINT(misc-redundant-expression)
    return notSupported || error == EPERM || error == ENOSYS || error == EXDEV || error == EMLINK || error == EINVAL;
}

bool writeWhole(int fd, std::span<const std::uint8_t> bytes)
{
    if (::fchmod(fd, 0644) != 0 || !writeFully(fd, bytes.data(), bytes.size()))
        return false;
    faultPoint("picture-written");
    return ::fsync(fd) == 0;
}

// Removes the temporary file on every path that does not hand it on.
class Temporary {
public:
    explicit Temporary(const fs::path& folder)
    {
        std::string pattern = (folder / (std::string(kPictureTempPrefix) + "XXXXXX")).string();
        fd_ = UniqueFd(::mkostemp(pattern.data(), O_CLOEXEC));
        path_ = pattern;
    }
    ~Temporary()
    {
        fd_.reset();
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    bool ok() const { return static_cast<bool>(fd_); }
    int fd() const { return fd_.get(); }
    const fs::path& path() const { return path_; }
    bool close() { return ::close(fd_.release()) == 0; }
    void handedOn() { path_.clear(); }

private:
    UniqueFd fd_;
    fs::path path_;
};

}  // namespace

WrittenPicture writePictureFile(const fs::path& folder, std::span<const std::uint8_t> bytes, std::size_t maxPathBytes,
                                const std::function<bool(int)>& taken)
{
    WrittenPicture out;
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) {
        out.result = PictureWriteResult::FolderMissing;
        return out;
    }
    Temporary temp(folder);
    if (!temp.ok() || !writeWhole(temp.fd(), bytes) || !temp.close())
        return out;

    Naming naming = Naming::Link;
    for (int n = 0; n <= kMaxPictureFileNumber; ++n) {
        const fs::path candidate = folder / ("p" + std::to_string(n) + ".bmp");
        // A dangling link counts as taken: writing through it would land elsewhere.
        if ((taken && taken(n)) || fs::exists(fs::symlink_status(candidate, ec)))
            continue;
        if (candidate.native().size() > maxPathBytes) {
            out.result = PictureWriteResult::PathTooLong;
            return out;
        }
        faultPoint("picture-before-name");
        if (naming == Naming::Link) {
            if (::link(temp.path().c_str(), candidate.c_str()) == 0) {
                ::unlink(temp.path().c_str());
                temp.handedOn();
            } else if (errno == EEXIST) {
                continue;
            } else if (unsupported(errno)) {
                naming = Naming::RenameNoReplace;
            } else {
                return out;
            }
        }
        if (naming == Naming::RenameNoReplace) {
            if (::renameat2(AT_FDCWD, temp.path().c_str(), AT_FDCWD, candidate.c_str(), RENAME_NOREPLACE) == 0) {
                temp.handedOn();
            } else if (errno == EEXIST) {
                continue;
            } else if (unsupported(errno)) {
                naming = Naming::ExclusiveCreate;
            } else {
                return out;
            }
        }
        if (naming == Naming::ExclusiveCreate) {
            UniqueFd fd(::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
            if (!fd && errno == EEXIST)
                continue;
            if (!fd || !writeWhole(fd.get(), bytes) || ::close(fd.release()) != 0) {
                ::unlink(candidate.c_str());
                return out;
            }
        }
        faultPoint("picture-named");
        if (!syncFolder(folder)) {
            // Not on disk yet as far as we can tell: the album must not name it.
            ::unlink(candidate.c_str());
            return out;
        }
        out.result = PictureWriteResult::Written;
        out.file = candidate;
        return out;
    }
    out.result = PictureWriteResult::NoFreeName;
    return out;
}

}  // namespace hf
