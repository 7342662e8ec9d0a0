#pragma once
// Whether a desktop service can be reached on the session bus.
#include <QString>

namespace quelso::SessionBus {

// The session bus is connected and the name has an owner or can be started on demand.
bool canReach(const QString& service);

} // namespace quelso::SessionBus
