#include "FuzzTargets.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

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
    fs::path folder = base / name;
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
