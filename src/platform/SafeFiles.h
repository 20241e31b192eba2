#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hf {

// A file descriptor that closes itself.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset();

private:
    int fd_ = -1;
};

enum class OpenResult { Opened, Missing, NotRegular, Unreadable };

// Opens a file from outside for reading without ever blocking: a FIFO, a
// device or a folder under the name is refused, not waited on.
struct OpenedFile {
    OpenResult result = OpenResult::Missing;
    UniqueFd fd;
    std::size_t size = 0;
};
OpenedFile openRegularFile(const std::filesystem::path& path);

// The whole content of a regular file of at most maxBytes; none when the
// file is missing, not a regular file, unreadable or larger.
std::optional<std::string> readRegularFile(const std::filesystem::path& path, std::size_t maxBytes);

// Reads exactly size bytes unless the file ends first; the count read, or
// -1 on a read error.
long readFully(int fd, void* data, std::size_t size);
[[nodiscard]] bool writeFully(int fd, const void* data, std::size_t size);

// Makes a rename or link inside the folder durable.
[[nodiscard]] bool syncFolder(const std::filesystem::path& folder);

// Removes this program's temporary files ("<prefix>XXXXXX" for each prefix)
// from the folder when they are older than maxAgeSeconds: a younger one may
// belong to another copy of the program that is writing it right now.
void removeStaleTemporaryFiles(const std::filesystem::path& folder, std::initializer_list<std::string_view> prefixes,
                               long maxAgeSeconds);

// Test seam: a hook called at named points of the program's file writes, so
// that a test can end the process exactly there. Null in normal runs.
using FaultHook = void (*)(const char* point);
inline FaultHook faultHook = nullptr;
inline void faultPoint(const char* point)
{
    if (faultHook)
        faultHook(point);
}

}  // namespace hf
