#include "ScanDevices.h"

#include <algorithm>

namespace hf {

std::string ScanDevice::label() const
{
    const std::string product = vendor.empty() || model.empty() ? vendor + model : vendor + " " + model;
    // Two devices of one make and model differ only by their names.
    return product.empty() || product == name ? name : product + " (" + name + ")";
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
