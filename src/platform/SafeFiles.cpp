#include "SafeFiles.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace hf {

void UniqueFd::reset()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

OpenedFile openRegularFile(const fs::path& path)
{
    OpenedFile out;
    if (path.empty())
        return out;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd) {
        out.result = errno == ENOENT ? OpenResult::Missing : OpenResult::Unreadable;
        return out;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        out.result = OpenResult::Unreadable;
        return out;
    }
    if (!S_ISREG(st.st_mode)) {
        out.result = OpenResult::NotRegular;
        return out;
    }
    // Reads of a regular file never block; the flag only mattered for open.
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    out.result = OpenResult::Opened;
    out.size = static_cast<std::size_t>(st.st_size);
    out.fd = std::move(fd);
    return out;
}

long readFully(int fd, void* data, std::size_t size)
{
    char* p = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

bool writeFully(int fd, const void* data, std::size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::string> readRegularFile(const fs::path& path, std::size_t maxBytes)
{
    OpenedFile file = openRegularFile(path);
    if (file.result != OpenResult::Opened || file.size > maxBytes)
        return std::nullopt;
    std::string bytes(file.size, '\0');
    const long n = readFully(file.fd.get(), bytes.data(), bytes.size());
    if (n < 0)
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(n));
    return bytes;
}

bool syncFolder(const fs::path& folder)
{
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Some file systems cannot flush a folder at all: what they keep is as
    // durable as they make it, and that is no failure of ours.
    return dir && (::fsync(dir.get()) == 0 || errno == EINVAL || errno == EROFS);
}

void removeStaleTemporaryFiles(const fs::path& folder, std::initializer_list<std::string_view> prefixes,
                               long maxAgeSeconds)
{
    if (folder.empty())
        return;
    UniqueFd dirFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd)
        return;
    DIR* dir = ::fdopendir(dirFd.get());
    if (!dir)
        return;
    dirFd.release();
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        bool ours = false;
        for (std::string_view prefix : prefixes)
            ours = ours || (name.size() == prefix.size() + 6 && name.substr(0, prefix.size()) == prefix);
        if (!ours)
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (now - st.st_mtime > maxAgeSeconds)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace hf
