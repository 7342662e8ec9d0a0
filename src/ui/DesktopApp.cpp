// The windowed application: one model, one window, files from the command line queued. Built
// as the module that mottler loads when it opens the window.
#include <cstdio>

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QStringList>
#include <QtQml/qqmlextensionplugin.h>

#include "app/Desktop.h"
#include "model/AppModel.h"
#include "ui/Display.h"
#include "ui/QmlSetup.h"
#include "ui/ThumbnailProvider.h"

Q_IMPORT_QML_PLUGIN(QuelsoPlugin)

int quelso_desktop_main(int argc, char** argv) {
    using namespace quelso;
    if (!Display::available()) {
        std::fputs("mottler: cannot start the desktop application: no display (DISPLAY or WAYLAND_DISPLAY); "
                   "use --cli, --extract or --suggest-name (see --help)\n",
                   stderr);
        return 1;
    }
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Quelso"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quelso"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quelso.app"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/qt/qml/Quelso/desktop/com.quelso.app.svg")));

    const bool translucent = Display::composited();
    if (translucent) QQuickWindow::setDefaultAlphaBuffer(true);

    AppModel model;
    // Qt has taken its own options out of the arguments; what is left names files.
    QStringList files = QGuiApplication::arguments();
    files.removeFirst();
    model.addLaunchArguments(files);

    QQmlApplicationEngine engine;
    prepareEngine(engine)->watch(&model);
    engine.setInitialProperties(
        {{QStringLiteral("appModel"), QVariant::fromValue(&model)}, {QStringLiteral("translucent"), translucent}});
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Quelso/Main.qml")));
    if (engine.rootObjects().isEmpty()) return 1;
    return QGuiApplication::exec();
}
