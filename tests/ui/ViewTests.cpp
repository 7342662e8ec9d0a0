// Runs the QML view tests over real models on the offscreen platform.
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

#include "Fixtures.h"
#include "ui/QmlSetup.h"

Q_IMPORT_QML_PLUGIN(QuelsoPlugin)

class Setup : public QObject {
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine* engine) {
        auto* thumbnails = quelso::prepareEngine(*engine);
        engine->rootContext()->setContextProperty(QStringLiteral("fixtures"), new quelso::Fixtures(thumbnails, engine));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(views, Setup)

#include "ViewTests.moc"
