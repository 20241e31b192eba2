#pragma once

#include <QDBusConnection>
#include <QObject>

#include <optional>

namespace hf {

class PhotoSourceHost;

// File, Capture Photo from the Screen: the instruction panel in the preview
// pane, the area capture, then the picture editor and the album. A child of
// the host's window, which owns it; adds its command to the File menu.
class ScreenCaptureCommand final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Capture Photo";
    static constexpr const char* kCannotCapture = "The screen could not be captured.";

    explicit ScreenCaptureCommand(PhotoSourceHost& host);

    void captureFromScreen();

    // The bus whose screenshot portal freezes the desktop; when empty, the
    // screen is read directly where the windowing system allows it.
    std::optional<QDBusConnection> portalBus;

private:
    PhotoSourceHost& host_;
};

}  // namespace hf
