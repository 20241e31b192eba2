#include "ReloadService.h"

#include <QDBusConnection>

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

}  // namespace hf
