#pragma once

#include <QImage>
#include <QRect>

namespace hf {

// The frozen picture of the whole desktop: every screen in device pixels,
// laid out as the screens are. virtualGeometry is the screens' bounding
// rectangle in logical pixels and ratio the device pixels per logical pixel.
struct DesktopPicture {
    QImage image;
    QRect virtualGeometry;
    qreal ratio = 1.0;
    bool isNull() const { return image.isNull(); }
};

// Where the program may read the screen itself (X11): grabs every screen.
// Null when no screen could be read.
DesktopPicture grabDesktop();

// Lays a picture of the whole desktop (the screenshot portal's) over the
// current screens.
DesktopPicture desktopFromPicture(QImage picture);

// Whether the windowing system lets a program read the whole screen
// directly: X11, but not Wayland, nor XWayland inside a Wayland session.
bool canGrabScreenDirectly();

}  // namespace hf
