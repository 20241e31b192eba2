#pragma once

#include <string>
#include <vector>

namespace hf::test {

// A private configuration for the device library that loads only its test
// backend, with the given lines in place of the backend's defaults ("mode Color", "depth 16", ...). Every test shares
// one folder (SANE_CONFIG_DIR) and rewrites its files; each scan helper
// reads them when it starts.
class SaneTestConfig {
public:
    explicit SaneTestConfig(const std::vector<std::string>& lines = {});
    // No backend at all: the library lists no device.
    static SaneTestConfig withoutDevices();
};

}  // namespace hf::test
