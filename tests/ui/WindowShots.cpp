// Renders the real window in four states to PNG files (argument: the folder for them) and
// checks that each picture shows what its state is about.
#include <cstdio>
#include <functional>

#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

#include "Fixtures.h"
#include "model/AppModel.h"
#include "ui/QmlSetup.h"
#include "ui/ThumbnailProvider.h"

Q_IMPORT_QML_PLUGIN(QuelsoPlugin)

namespace {

using quelso::AppModel;

bool waitFor(const std::function<bool()>& done, int ms = 60000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Lets bindings, animations and the scene settle, then takes the window's picture.
QImage shoot(QQuickWindow* window) {
    QDeadlineTimer pause(400);
    while (!pause.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return window->grabWindow();
}

// Pixels within a small distance of the colour, so that antialiased edges do not count.
int pixelsNear(const QImage& image, QColor colour) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            n += qAbs(qRed(line[x]) - colour.red()) + qAbs(qGreen(line[x]) - colour.green()) +
                     qAbs(qBlue(line[x]) - colour.blue()) <=
                 24;
    }
    return n;
}

int failures = 0;

void expect(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "window shots: %s\n", what);
    ++failures;
}

void save(const QImage& image, const QDir& folder, const char* name) {
    expect(image.width() >= 900 && image.height() >= 560, "the window is smaller than 900 × 560");
    expect(image.save(folder.filePath(QString::fromLatin1(name))), "a picture could not be written");
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    folder.mkpath(QStringLiteral("."));

    AppModel model;
    QQmlApplicationEngine engine;
    quelso::ThumbnailProvider* thumbnails = quelso::prepareEngine(engine);
    thumbnails->watch(&model);
    quelso::Fixtures files(thumbnails);
    engine.setInitialProperties({{QStringLiteral("appModel"), QVariant::fromValue(&model)}});
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Quelso/Main.qml")));
    auto* window = engine.rootObjects().isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(engine.rootObjects()[0]);
    if (!window) return 1;
    window->resize(1100, 720);

    const QColor accent = QColor::fromRgbF(0.0f, 0.478f, 1.0f);
    QImage shot = shoot(window);
    save(shot, folder, "1-empty.png");
    expect(pixelsNear(shot, accent) > 200, "empty: the selected WebP chip is not drawn in the accent colour");

    model.addFiles({files.picture(QStringLiteral("harbour.jpg"), 3600, 2400),
                    files.picture(QStringLiteral("portrait.png"), 2000, 3000),
                    files.picture(QStringLiteral("street.jpg"), 3200, 2400)});
    expect(waitFor([&] {
               for (const auto& item : model.items()->items())
                   if (!item->hasThumbnail()) return false;
               return true;
           }),
           "queued: thumbnails did not arrive");
    shot = shoot(window);
    save(shot, folder, "2-queued.png");

    // Offline naming would read every picture for text; plain names keep the run short.
    model.settings()->setSmartRename(false);
    model.processAll();
    shot = shoot(window);
    save(shot, folder, "3-running.png");
    expect(model.isProcessing(), "running: the run ended before the picture was taken");
    expect(pixelsNear(shot, QColor(232, 72, 62)) > 150, "running: no red Stop pill");
    // The rows' trailing corner, right of their text: only the spinners are blue there.
    expect(pixelsNear(shot.copy(shot.width() * 0.55, 90, shot.width() * 0.12, 250), QColor(0, 122, 255)) > 40,
           "running: no spinner in the processing rows");
    expect(waitFor([&] { return !model.isProcessing(); }), "running: the run did not end");
    model.settings()->setSmartRename(true);

    model.addFiles({files.textFile(QStringLiteral("damaged.png"), QStringLiteral("not a picture"))});
    model.process(model.items()->items().last()->itemId());
    expect(waitFor([&] { return !model.isProcessing(); }), "done: the damaged file did not fail");
    if (QObject* panel = window->findChild<QObject*>(QStringLiteral("settingsPanel")))
        panel->setProperty("expanded", QStringList{QStringLiteral("Modifications")});
    model.settings()->setWarpEnabled(true);
    model.settings()->setGrainEnabled(true);
    model.settings()->setGrainIntensity(0.8);
    shot = shoot(window);
    save(shot, folder, "4-done-and-failed.png");
    expect(pixelsNear(shot, QColor(255, 69, 58)) > 20, "done: no red failure line");

    return failures == 0 ? 0 : 1;
}
