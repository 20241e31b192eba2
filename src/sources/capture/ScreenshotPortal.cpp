#include "ScreenshotPortal.h"

#include "ImageIO.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

#include <optional>

namespace hf {
namespace {

constexpr const char* kService = "org.freedesktop.portal.Desktop";
constexpr const char* kPath = "/org/freedesktop/portal/desktop";
constexpr const char* kInterface = "org.freedesktop.portal.Screenshot";
constexpr const char* kRequest = "org.freedesktop.portal.Request";

// Receives the request's Response signal.
class ResponseWaiter final : public QObject {
    Q_OBJECT
public:
    std::optional<PortalShot> result;
    QEventLoop loop;

public slots:
    void response(uint code, const QVariantMap& results)
    {
        if (result)
            return;
        PortalShot shot;
        if (code == 0) {
            const QUrl uri(results.value(QStringLiteral("uri")).toString());
            const LBitmap picture = uri.isLocalFile() ? loadBitmap(uri.toLocalFile().toStdString()) : LBitmap();
            if (picture.IsAllocated()) {
                shot.outcome = PortalShot::Outcome::Captured;
                shot.image = toQImage(picture);
            }
        } else if (code == 1) {
            shot.outcome = PortalShot::Outcome::Declined;
        }
        finish(std::move(shot));
    }

    void finish(PortalShot shot)
    {
        if (!result)
            result = std::move(shot);
        loop.quit();
    }
};

bool listen(QDBusConnection& bus, const QString& path, ResponseWaiter& waiter, bool on)
{
    const QString service = QString::fromLatin1(kService);
    const QString interface = QString::fromLatin1(kRequest);
    const QString name = QStringLiteral("Response");
    const char* slot = SLOT(response(uint, QVariantMap));
    return on ? bus.connect(service, path, interface, name, &waiter, slot)
              : bus.disconnect(service, path, interface, name, &waiter, slot);
}

}  // namespace

QString portalRequestPath(const QString& uniqueName, const QString& token)
{
    QString sender = uniqueName;
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("%1/request/%2/%3").arg(QLatin1String(kPath), sender, token);
}

PortalShot takePortalScreenshot(QDBusConnection bus, int timeoutMs)
{
    if (!bus.isConnected())
        return {};
    const QString token = QStringLiteral("handfolio%1").arg(QRandomGenerator::global()->bounded(1u << 30));
    QString requestPath = portalRequestPath(bus.baseService(), token);

    // The portal may answer before its reply to the call arrives: listen
    // on the predicted path first.
    ResponseWaiter waiter;
    listen(bus, requestPath, waiter, true);

    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                       QString::fromLatin1(kInterface), QStringLiteral("Screenshot"));
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    options.insert(QStringLiteral("interactive"), false);
    options.insert(QStringLiteral("modal"), true);
    call << QString() << options;

    QDBusPendingCallWatcher watcher(bus.asyncCall(call, timeoutMs));
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &waiter, [&] {
        const QDBusPendingReply<QDBusObjectPath> reply = watcher;
        if (reply.isError()) {
            waiter.finish({});
            return;
        }
        // Older portals choose the path themselves.
        const QString handle = reply.value().path();
        if (handle != requestPath && !waiter.result) {
            listen(bus, requestPath, waiter, false);
            requestPath = handle;
            listen(bus, requestPath, waiter, true);
        }
    });
    QTimer::singleShot(timeoutMs, &waiter, [&] { waiter.finish({}); });
    if (!waiter.result)
        waiter.loop.exec(QEventLoop::ExcludeUserInputEvents);
    listen(bus, requestPath, waiter, false);
    return waiter.result.value_or(PortalShot{});
}

}  // namespace hf

#include "ScreenshotPortal.moc"
