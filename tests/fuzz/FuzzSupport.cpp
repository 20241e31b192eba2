#include "FuzzTargets.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace hf::fuzz {

void broken(const char* rule, const char* file, int line)
{
    std::fprintf(stderr, "fuzz rule broken: %s (%s:%d)\n", rule, file, line);
    std::abort();
}

fs::path freshFolder(const char* name)
{
    static const fs::path base = [] {
        if (const char* dir = std::getenv("HANDFOLIO_FUZZ_DIR"); dir && *dir)
            return fs::path(dir);
        std::error_code ec;
        return fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm/handfolio-fuzz")
                                                : fs::temp_directory_path() / "handfolio-fuzz";
    }();
    // A second run of the same target at the same time (another terminal,
    // the test script) gets a folder of its own: the first holds a lock.
    static std::map<std::string, fs::path, std::less<>> own;
    auto it = own.find(name);
    if (it == own.end()) {
        std::error_code made;
        fs::create_directories(base, made);
        const int lock = ::open((base / (std::string(name) + ".lock")).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        const bool first = lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0;  // held until the process ends
        if (!first && lock >= 0)
            ::close(lock);
        it = own.emplace(name, first ? base / name : base / (std::string(name) + "-" + std::to_string(::getpid())))
                 .first;
    }
    fs::path folder = it->second;
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder, ec);
    if (ec)
        broken("scratch folder can be made", __FILE__, __LINE__);
    return folder;
}

void writeFile(const fs::path& path, Input data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!out.flush())
        broken("scratch file can be written", __FILE__, __LINE__);
}

}  // namespace hf::fuzz
