#include "ui/QmlSetup.h"

#include <QQmlEngine>
#include <QtQml>

#include "model/AppModel.h"
#include "model/ImageItem.h"
#include "model/SettingsModel.h"
#include "ui/SymbolProvider.h"
#include "ui/ThumbnailProvider.h"

namespace quelso {

ThumbnailProvider* prepareEngine(QQmlEngine& engine) {
    static const bool registered = [] {
        const QString made = QStringLiteral("made by the application");
        qmlRegisterUncreatableType<AppModel>("Quelso.Model", 1, 0, "AppModel", made);
        qmlRegisterUncreatableType<ImageItem>("Quelso.Model", 1, 0, "ImageItem", made);
        qmlRegisterUncreatableType<SettingsModel>("Quelso.Model", 1, 0, "SettingsModel", made);
        return true;
    }();
    Q_UNUSED(registered);
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.addImageProvider(QStringLiteral("symbol"), new SymbolProvider);
    auto* thumbnails = new ThumbnailProvider;
    engine.addImageProvider(QStringLiteral("thumbs"), thumbnails);
    return thumbnails;
}

} // namespace quelso
