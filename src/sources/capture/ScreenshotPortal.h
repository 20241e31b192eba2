#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QString>

namespace hf {

// What the desktop's screenshot portal answered.
struct PortalShot {
    enum class Outcome {
        Captured,  // the picture is in image
        Declined,  // the user said no: an abandoned capture
        Failed,    // no portal, an error, or a picture that does not decode
    };
    Outcome outcome = Outcome::Failed;
    QImage image;
};

// Asks org.freedesktop.portal.Screenshot for a picture of the whole desktop,
// without the portal's own dialog, and waits for its answer while the
// program keeps painting (user input to the program waits). Gives up after
// timeoutMs.
PortalShot takePortalScreenshot(QDBusConnection bus, int timeoutMs = 120000);

// The object path on which the portal answers a request with this token:
// the request path is made from the caller's unique bus name.
QString portalRequestPath(const QString& uniqueName, const QString& token);

}  // namespace hf
