#pragma once
// The AI key in the desktop keyring (Secret Service), never in the plain config file:
// service "com.quelso.app", one item per account. Synchronous; no errors reported.
#include <QString>

namespace quelso::KeychainStore {

// Deletes the account's item, then stores value unless it is empty.
void set(const QString& value, const QString& account);

// The stored value, or the empty string when there is none or the keyring cannot be read.
QString get(const QString& account);

} // namespace quelso::KeychainStore
