#include "SaneTestConfig.h"

#include "TempDir.h"

#include <cstdlib>
#include <memory>
#include <sstream>

namespace hf::test {
namespace {

const TempDir& folder()
{
    static const auto dir = [] {
        auto made = std::make_unique<TempDir>();
        // Without a trailing separator the library looks nowhere else; the
        // scan helper finds it in the environment it inherits.
        ::setenv("SANE_CONFIG_DIR", made->path().c_str(), 1);
        return made;
    }();
    return *dir;
}

// The backend's settings as the library ships them: two gray 8-bit devices
// at 50 dpi (without a resolution every scan is one pixel).
constexpr const char* kDefaults[] = {"number_of_devices 2",
                                     "mode Gray",
                                     "depth 8",
                                     "hand-scanner false",
                                     "three-pass false",
                                     "three-pass-order RGB",
                                     "resolution_min 1.0",
                                     "resolution_max 1200.0",
                                     "resolution_quant 1.0",
                                     "resolution 50.0",
                                     "test-picture \"Solid black\"",
                                     "invert-endianess false",
                                     "read-limit false",
                                     "read-limit-size 1",
                                     "read-delay false",
                                     "read-delay-duration 1000",
                                     "read-status-code \"Default\"",
                                     "fuzzy-parameters false",
                                     "ppl-loss 0",
                                     "non-blocking false",
                                     "select-fd false",
                                     "enable-test-options false",
                                     "geometry_min 0.0",
                                     "geometry_max 200.0",
                                     "geometry_quant 1.0",
                                     "tl_x 0.0",
                                     "tl_y 0.0",
                                     "br_x 80.0",
                                     "br_y 100.0"};

std::string keyOf(const std::string& line)
{
    return line.substr(0, line.find(' '));
}

}  // namespace

SaneTestConfig::SaneTestConfig(const std::vector<std::string>& lines)
{
    std::ostringstream conf;
    for (const char* line : kDefaults) {
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
