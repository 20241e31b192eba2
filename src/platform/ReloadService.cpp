#include "ReloadService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace hf {

ReloadService::ReloadService(QObject* parent) : QObject(parent) {}

ReloadService::~ReloadService()
{
    if (registered_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(QString::fromLatin1(kPath));
        bus.unregisterService(QString::fromLatin1(kService));
    }
}

bool ReloadService::registerOnSessionBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!bus.registerService(QString::fromLatin1(kService)))
        return false;
    if (!bus.registerObject(QString::fromLatin1(kPath), this, QDBusConnection::ExportScriptableSlots)) {
        bus.unregisterService(QString::fromLatin1(kService));
        return false;
    }
    registered_ = true;
    return true;
}

void ReloadService::Reload()
{
    emit reloadRequested();
}

void ReloadService::Activate()
{
    emit activateRequested();
}

bool ReloadService::handOverToRunningProgram()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(QString::fromLatin1(kService)))
        return false;
    const QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                             QString::fromLatin1(kService), QStringLiteral("Activate"));
    // A program that does not answer (hung, or an older one) is not handed
    // over to: this one starts, and the album lock keeps the two apart.
    return bus.call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

}  // namespace hf
