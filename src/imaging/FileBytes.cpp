#include "FileBytes.h"

#ifdef _WIN32

#include <fstream>

namespace hf {

// Windows has no FIFOs to block on; a regular file is read whole.
std::optional<std::vector<std::uint8_t>> readPictureFile(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxPictureFileBytes)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(std::size_t(size));
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size));
    bytes.resize(std::size_t(in.gcount()));
    return in || in.eof() ? std::optional(std::move(bytes)) : std::nullopt;
}

}  // namespace hf

#else

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hf {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> readPictureFile(const std::filesystem::path& path)
{
    // O_NONBLOCK: opening a FIFO for reading waits for a writer otherwise.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        std::uint64_t(info.st_size) > kMaxPictureFileBytes)
        return std::nullopt;
    // Read rather than map: a file cut short by another program while we
    // read it then gives fewer bytes, not a bus error.
    std::vector<std::uint8_t> bytes(std::size_t(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace hf

#endif
