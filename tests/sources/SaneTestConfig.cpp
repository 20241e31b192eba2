#include "SaneTestConfig.h"

#include "TempDir.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

namespace hf::test {
namespace {

const TempDir& folder()
{
    static const auto dir = [] {
        auto made = std::make_unique<TempDir>();
        // Without a trailing separator the library looks nowhere else.
        ::setenv("SANE_CONFIG_DIR", made->path().c_str(), 1);
        return made;
    }();
    return *dir;
}

std::string keyOf(const std::string& line)
{
    return line.substr(0, line.find(' '));
}

}  // namespace

SaneTestConfig::SaneTestConfig(const std::vector<std::string>& lines)
{
    std::ifstream system("/etc/sane.d/test.conf");
    std::ostringstream conf;
    std::string line;
    while (std::getline(system, line)) {
        bool replaced = false;
        for (const std::string& own : lines)
            replaced = replaced || keyOf(own) == keyOf(line);
        if (!replaced)
            conf << line << '\n';
    }
    for (const std::string& own : lines)
        conf << own << '\n';
    writeFile(folder() / "test.conf", conf.str());
    writeFile(folder() / "dll.conf", "test\n");
}

SaneTestConfig SaneTestConfig::withoutDevices()
{
    SaneTestConfig config;
    writeFile(folder() / "dll.conf", "");
    return config;
}

}  // namespace hf::test
