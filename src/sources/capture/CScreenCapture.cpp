#include "CScreenCapture.h"

#include "CaptureOverlay.h"
#include "DesktopGrab.h"
#include "ImageIO.h"
#include "ScreenshotPortal.h"

namespace hf {

CaptureResult CScreenCapture::captureArea()
{
    bitmap_.Free();
    DesktopPicture desktop;
    OverlayLayout layout = OverlayLayout::OneOverAll;
    if (!portalBus_ && canGrabScreenDirectly()) {
        desktop = grabDesktop();
    } else {
        PortalShot shot = takePortalScreenshot(portalBus_.value_or(QDBusConnection::sessionBus()));
        if (shot.outcome == PortalShot::Outcome::Declined)
            return CaptureResult::Abandoned;
        desktop = desktopFromPicture(std::move(shot.image));
        layout = OverlayLayout::OnePerScreen;
    }
    if (desktop.isNull())
        return CaptureResult::Failed;

    const std::optional<QRect> area = selectArea(desktop, layout);
    if (!area)
        return CaptureResult::Abandoned;
    bitmap_ = fromQImage(desktop.image.copy(*area));
    return bitmap_.IsAllocated() ? CaptureResult::Captured : CaptureResult::Failed;
}

}  // namespace hf
