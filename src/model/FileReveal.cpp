#include "model/FileReveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "model/SessionBus.h"

namespace quelso::FileReveal {

void show(const QString& path) {
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    if (SessionBus::canReach(service)) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                                           service, QStringLiteral("ShowItems"));
        call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
        QDBusConnection::sessionBus().asyncCall(call);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

} // namespace quelso::FileReveal
