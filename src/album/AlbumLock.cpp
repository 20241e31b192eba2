#include "AlbumLock.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace hf {
namespace {

constexpr std::size_t kMaxHolderText = 200;

std::string hostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return "this computer";
    return name;
}

// What the holder wrote, cut to one short line: it is shown to the user.
std::string readHolder(int fd)
{
    char text[kMaxHolderText + 1] = {};
    const ssize_t n = ::pread(fd, text, kMaxHolderText, 0);
    std::string out(text, n > 0 ? std::size_t(n) : 0);
    const std::size_t end = out.find_first_of("\r\n");
    if (end != std::string::npos)
        out.resize(end);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    }
    return out;
}

}  // namespace

AlbumLock AlbumLock::take(const std::filesystem::path& folder, std::string_view program)
{
    AlbumLock lock;
    lock.folder_ = folder;
    if (folder.empty())
        return lock;
    const std::filesystem::path file = folder / kFileName;
    lock.fd_ = UniqueFd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644));
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (!lock.fd_) {
        // A lock file this user may not write (another user's program made
        // it): whether that program holds it can still be asked.
        lock.state_ = State::Unavailable;
        const UniqueFd readOnly(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (readOnly && ::fcntl(readOnly.get(), F_OFD_GETLK, &whole) == 0 && whole.l_type != F_UNLCK) {
            lock.state_ = State::HeldElsewhere;
            lock.holder_ = readHolder(readOnly.get());
        }
        return lock;
    }
    if (::fcntl(lock.fd_.get(), F_OFD_SETLK, &whole) != 0) {
        lock.state_ = errno == EAGAIN || errno == EACCES ? State::HeldElsewhere : State::Unavailable;
        lock.holder_ = readHolder(lock.fd_.get());
        lock.fd_.reset();
        return lock;
    }
    lock.state_ = State::Held;
    const std::string text =
        std::string(program) + " (process " + std::to_string(::getpid()) + " on " + hostName() + ")\n";
    // Who holds it is a courtesy for the other program's message; the lock
    // holds whether or not this is written.
    if (::ftruncate(lock.fd_.get(), 0) == 0)
        (void)::pwrite(lock.fd_.get(), text.data(), text.size(), 0);
    return lock;
}

}  // namespace hf
