#pragma once

#include "LBitmap.h"

#include <QDBusConnection>

#include <optional>

namespace hf {

// What an area capture came to; negative values mean no picture.
enum class CaptureResult : int {
    Captured = 0,
    Abandoned = -1,  // the user gave up, or declined the desktop's screenshot
    Failed = -2,     // the screen could not be read
};

// The program's capture object: freezes the desktop (read directly on X11,
// through the desktop's screenshot portal on Wayland), lets the user drag a
// rectangle on it and keeps that rectangle's picture.
class CScreenCapture {
public:
    // Reads the screen directly where the windowing system allows it, else
    // asks the session bus's screenshot portal.
    CScreenCapture() = default;
    // Always asks the screenshot portal on this bus.
    explicit CScreenCapture(QDBusConnection portalBus) : portalBus_(std::move(portalBus)) {}

    CaptureResult captureArea();
    // The captured picture; empty unless captureArea answered Captured.
    const LBitmap& bitmap() const { return bitmap_; }
    LBitmap takeBitmap() { return std::move(bitmap_); }

private:
    std::optional<QDBusConnection> portalBus_;
    LBitmap bitmap_;
};

}  // namespace hf
