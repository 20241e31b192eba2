#pragma once

#include "Profile.h"

#include <string>
#include <vector>

namespace hf {

// A scanner or camera as the device library lists it.
struct ScanDevice {
    std::string name;  // what opens it, e.g. "test:0"
    std::string vendor;
    std::string model;
    // "vendor model (name)", what the user picks from.
    std::string label() const;
    friend bool operator==(const ScanDevice&, const ScanDevice&) = default;
};

// The device library keeps no default source, so the scanner layer keeps
// the last device the user chose in a profile section of its own.
inline constexpr const char* kScannerSection = "Scanner";
inline constexpr const char* kScannerDeviceValue = "Device";

// The device to preselect: the remembered one when it is listed, else the
// first; -1 for an empty list.
int defaultDevice(const std::vector<ScanDevice>& devices, const Profile& profile);
void rememberDevice(Profile& profile, const ScanDevice& device);

}  // namespace hf
