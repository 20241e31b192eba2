#pragma once

#include "LBitmap.h"
#include "SafeFiles.h"
#include "ScanDevices.h"
#include "ScanProtocol.h"
#include "ScanStream.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <sys/types.h>

namespace hf {

// Which scan helper to run, and how long each of its steps may take before
// it counts as stuck.
struct ScanHelperSetup {
    std::filesystem::path program;
    // Starting and listing the devices, which may search the network.
    std::chrono::milliseconds listing{60'000};
    std::chrono::milliseconds opening{30'000};
    // Between two messages of a scan; the user can cancel sooner.
    std::chrono::milliseconds reading{120'000};
    // To end by itself once the program is done with it.
    std::chrono::milliseconds leaving{2'000};
    // After SIGTERM, before SIGKILL.
    std::chrono::milliseconds terminating{2'000};
};

// One session of the device library, run by the scan helper in a process of
// its own: a backend that hangs or crashes ends the helper, never the
// program. The helper starts with listDevices and is gone after close, on
// every path; a helper that is stuck, sends what the protocol does not know
// or is cancelled is ended at once with SIGTERM, then SIGKILL, and one whose
// frames are refused is given the time to leave first. Every call but cancel
// runs on one thread at a time; cancel may come from another thread while
// another call waits.
class ScanProcess {
public:
    explicit ScanProcess(ScanHelperSetup setup);
    ~ScanProcess();
    ScanProcess(const ScanProcess&) = delete;
    ScanProcess& operator=(const ScanProcess&) = delete;

    // Empty when the helper does not start, speaks another version, or the
    // library initialises badly or knows no device.
    std::vector<ScanDevice> listDevices();
    // False when the device is not there, busy or broken, or the helper is
    // gone.
    bool open(const std::string& deviceName);
    // One image, decoded here from the frames the helper sends. Empty when
    // the scan was cancelled, failed or brought no whole picture.
    LBitmap read(ScanProgress& progress);
    // Ends the helper; the call waiting on it returns soon after.
    void cancel();
    // Lets the helper close the device and leave, and ends it when it does
    // not; it is reaped before this returns.
    void close();

private:
    bool start();
    std::optional<ScanPacket> ask(ScanMessage request, std::span<const std::uint8_t> payload, ScanMessage answer,
                                  std::chrono::milliseconds limit);
    void end(bool politely);

    ScanHelperSetup setup_;
    UniqueFd channel_;
    UniqueFd wakeRead_;
    UniqueFd wakeWrite_;
    pid_t pid_ = -1;
    bool started_ = false;
    bool opened_ = false;
    std::atomic<bool> cancelled_{false};
};

}  // namespace hf
