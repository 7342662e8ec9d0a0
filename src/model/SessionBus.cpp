#include "model/SessionBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace quelso::SessionBus {

bool canReach(const QString& service) {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    const QDBusReply<bool> owned = bus.interface()->isServiceRegistered(service);
    if (owned.isValid() && owned.value()) return true;
    const QDBusReply<QStringList> startable = bus.interface()->activatableServiceNames();
    return startable.isValid() && startable.value().contains(service);
}

} // namespace quelso::SessionBus
