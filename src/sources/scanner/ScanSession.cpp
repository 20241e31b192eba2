#include "ScanSession.h"

#include <sane/sane.h>

#include <array>
#include <new>
#include <optional>

namespace hf {

// An open device; closing it is the last thing done with it.
struct ScanSession::Handle {
    explicit Handle(SANE_Handle h) : handle(h) {}
    ~Handle() { sane_close(handle); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    SANE_Handle handle;
};

namespace {

std::optional<ScanFrame> frameOf(const SANE_Parameters& p)
{
    ScanFrame frame;
    switch (p.format) {
    case SANE_FRAME_GRAY:
        frame.kind = ScanFrame::Kind::Gray;
        break;
    case SANE_FRAME_RGB:
        frame.kind = ScanFrame::Kind::Rgb;
        break;
    case SANE_FRAME_RED:
        frame.kind = ScanFrame::Kind::Red;
        break;
    case SANE_FRAME_GREEN:
        frame.kind = ScanFrame::Kind::Green;
        break;
    case SANE_FRAME_BLUE:
        frame.kind = ScanFrame::Kind::Blue;
        break;
    default:
        return std::nullopt;
    }
    frame.lastFrame = p.last_frame != SANE_FALSE;
    frame.bytesPerLine = p.bytes_per_line;
    frame.pixelsPerLine = p.pixels_per_line;
    frame.lines = p.lines;
    frame.depth = p.depth;
    return frame;
}

std::string text(SANE_String_Const s)
{
    return s ? std::string(s) : std::string();
}

}  // namespace

ScanSession::ScanSession() = default;

ScanSession::~ScanSession()
{
    close();
}

std::vector<ScanDevice> ScanSession::listDevices()
{
    if (!initialised_) {
        SANE_Int version = 0;
        if (sane_init(&version, nullptr) != SANE_STATUS_GOOD)
            return {};
        initialised_ = true;
    }
    const SANE_Device** list = nullptr;
    if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list)
        return {};
    std::vector<ScanDevice> devices;
    for (const SANE_Device** d = list; *d; ++d) {
        if ((*d)->name && *(*d)->name)
            devices.push_back({text((*d)->name), text((*d)->vendor), text((*d)->model)});
    }
    return devices;
}

bool ScanSession::open(const std::string& deviceName)
{
    if (!initialised_ || device_)
        return false;
    SANE_Handle handle = nullptr;
    if (sane_open(deviceName.c_str(), &handle) != SANE_STATUS_GOOD || !handle)
        return false;
    device_ = std::make_unique<Handle>(handle);
    return true;
}

bool ScanSession::read(ScanSink& sink)
{
    if (!device_) {
        sink.ended(false);
        return false;
    }
    // A scan too large for the memory left is a failed scan, not the end of
    // the helper.
    try {
        return readFrames(sink);
    } catch (const std::bad_alloc&) {
        sink.ended(false);
        sane_cancel(device_->handle);
        return false;
    }
}

bool ScanSession::readFrames(ScanSink& sink)
{
    SANE_Handle handle = device_->handle;
    std::array<SANE_Byte, std::size_t{64} * 1024> buffer{};
    bool whole = false;
    for (;;) {
        if (sane_start(handle) != SANE_STATUS_GOOD)
            break;
        SANE_Parameters parameters{};
        if (sane_get_parameters(handle, &parameters) != SANE_STATUS_GOOD)
            break;
        const std::optional<ScanFrame> frame = frameOf(parameters);
        if (!frame || !sink.beginFrame(*frame))
            break;

        SANE_Status status = SANE_STATUS_GOOD;
        SANE_Int length = 0;
        while ((status = sane_read(handle, buffer.data(), SANE_Int(buffer.size()), &length)) == SANE_STATUS_GOOD) {
            if (length < 0 || length > SANE_Int(buffer.size()) ||
                !sink.append(std::span<const std::uint8_t>(buffer.data(), std::size_t(length))))
                break;
        }
        if (status != SANE_STATUS_EOF)
            break;
        if (frame->lastFrame) {
            whole = true;
            break;
        }
    }
    sink.ended(whole);
    // Ends the scan on every path; the device stays open until close.
    sane_cancel(handle);
    return whole;
}

void ScanSession::close()
{
    device_.reset();
    if (initialised_) {
        sane_exit();
        initialised_ = false;
    }
}

}  // namespace hf
