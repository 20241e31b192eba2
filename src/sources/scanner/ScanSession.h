#pragma once

#include "LBitmap.h"
#include "ScanDevices.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hf {

// How far a scan has come, read by the user-interface thread while the
// session reads on a worker.
struct ScanProgress {
    std::atomic<std::int64_t> bytesRead{0};
    // The bytes the scan should bring; -1 while the device cannot say.
    std::atomic<std::int64_t> expected{0};
};

// One use of the device library: initialised by listDevices, one device
// opened, one image read, and everything closed and the library left when
// the session ends. Every call but cancel runs on one thread at a time;
// cancel may come from another thread while read runs.
class ScanSession {
public:
    ScanSession();
    ~ScanSession();
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;

    // Initialises the library and lists its devices; empty when it does not
    // initialise or knows no device.
    std::vector<ScanDevice> listDevices();
    // Opens a device; false when it is not there, busy or broken.
    bool open(const std::string& deviceName);
    // Reads one image with the device's options as they are. Empty when
    // the scan was cancelled, failed or brought no whole picture.
    LBitmap read(ScanProgress& progress);
    // Asks the device to stop; the read in progress returns soon after.
    void cancel();
    // Closes the device and leaves the library; the destructor does it too.
    void close();

    bool isOpen() const;

private:
    LBitmap readFrames(ScanProgress& progress);

    struct Handle;
    std::unique_ptr<Handle> device_;
    bool initialised_ = false;
    std::atomic<bool> cancelled_{false};
};

}  // namespace hf
