#pragma once

#include "ScanDevices.h"
#include "ScanImage.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace hf {

// Where the frames of a scan go as the device sends them.
class ScanSink {
public:
    virtual ~ScanSink() = default;
    // False stops the scan.
    virtual bool beginFrame(const ScanFrame& frame) = 0;
    virtual bool append(std::span<const std::uint8_t> bytes) = 0;
    // The scan is over: whole when the last frame arrived complete. Told
    // before the device is asked to stop, which may never return.
    virtual void ended(bool whole) = 0;
};

// One use of the device library: initialised by listDevices, one device
// opened, one image read, and everything closed and the library left when
// the session ends. It runs only in the scan helper, whose end the program
// decides, so that a backend that hangs or crashes takes nothing else with
// it.
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
    // Reads one image with the device's options as they are, frame by frame
    // into the sink; true when it arrived whole.
    bool read(ScanSink& sink);
    // Closes the device and leaves the library; the destructor does it too.
    void close();

private:
    bool readFrames(ScanSink& sink);

    struct Handle;
    std::unique_ptr<Handle> device_;
    bool initialised_ = false;
};

}  // namespace hf
