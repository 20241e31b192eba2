#pragma once

#include "DesktopGrab.h"

#include <QRect>

#include <optional>

namespace hf {

// How the frozen desktop is shown: one window over all screens (X11, where
// the program grabs keyboard and pointer), or one full-screen window per
// screen (Wayland, where a window cannot span screens).
enum class OverlayLayout { OneOverAll, OnePerScreen };

// Shows the frozen desktop and lets the user drag a rectangle on it with the
// left button. Answers the rectangle in the picture's device pixels, or
// nothing when the user abandoned the selection.
std::optional<QRect> selectArea(const DesktopPicture& desktop, OverlayLayout layout);

}  // namespace hf
