#include "ScanDevices.h"

#include <algorithm>

namespace hf {

std::string ScanDevice::label() const
{
    if (vendor.empty() || model.empty())
        return vendor.empty() ? (model.empty() ? name : model) : vendor;
    return vendor + " " + model;
}

int defaultDevice(const std::vector<ScanDevice>& devices, const Profile& profile)
{
    if (devices.empty())
        return -1;
    const std::string remembered = profile.getString(kScannerSection, kScannerDeviceValue, "");
    const auto found =
        std::find_if(devices.begin(), devices.end(), [&](const ScanDevice& d) { return d.name == remembered; });
    return found == devices.end() ? 0 : int(found - devices.begin());
}

void rememberDevice(Profile& profile, const ScanDevice& device)
{
    profile.setString(kScannerSection, kScannerDeviceValue, device.name);
}

}  // namespace hf
