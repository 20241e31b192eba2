#include "DesktopGrab.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <cmath>

namespace hf {
namespace {

QRect virtualGeometry()
{
    QRect all;
    for (const QScreen* screen : QGuiApplication::screens())
        all = all.united(screen->geometry());
    return all;
}

QSize deviceSize(const QSize& logical, qreal ratio)
{
    return QSize(int(std::lround(logical.width() * ratio)), int(std::lround(logical.height() * ratio)));
}

}  // namespace

bool canGrabScreenDirectly()
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return false;
    // Under XWayland the X server sees only its own clients: the rest of the
    // desktop would come out black.
    return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           qgetenv("XDG_SESSION_TYPE") != QByteArrayLiteral("wayland");
}

DesktopPicture grabDesktop()
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return {};
    DesktopPicture out;
    out.virtualGeometry = virtualGeometry();
    out.ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    out.image = QImage(deviceSize(out.virtualGeometry.size(), out.ratio), QImage::Format_RGB32);
    if (out.image.isNull())
        return {};
    out.image.fill(Qt::black);
    QPainter painter(&out.image);
    bool any = false;
    for (QScreen* screen : screens) {
        const QPixmap shot = screen->grabWindow(0);
        if (shot.isNull())
            continue;
        const QPoint at = screen->geometry().topLeft() - out.virtualGeometry.topLeft();
        const QRect target(QPoint(int(std::lround(at.x() * out.ratio)), int(std::lround(at.y() * out.ratio))),
                           deviceSize(screen->geometry().size(), out.ratio));
        painter.drawImage(target, shot.toImage().convertToFormat(QImage::Format_RGB32));
        any = true;
    }
    painter.end();
    return any ? out : DesktopPicture{};
}

DesktopPicture desktopFromPicture(QImage picture)
{
    DesktopPicture out;
    out.virtualGeometry = virtualGeometry();
    if (picture.isNull() || out.virtualGeometry.isEmpty())
        return {};
    // The portal pictures the desktop in its own pixels; their ratio to the
    // screens' logical size is the device pixel ratio.
    out.ratio = qreal(picture.width()) / out.virtualGeometry.width();
    // Converted in place when the format allows: the picture is the whole desktop.
    out.image = std::move(picture).convertToFormat(QImage::Format_RGB32);
    return out;
}

}  // namespace hf
