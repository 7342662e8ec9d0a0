#include "Fixtures.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>

#include "model/AppModel.h"
#include "ui/ThumbnailProvider.h"

namespace quelso {

// org.freedesktop.FileManager1 as the test sees it: it only records what it is asked.
class FileManagerListener : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    FileManagerListener(QObject* host, Fixtures* fixtures) : QDBusAbstractAdaptor(host), fixtures_(fixtures) {}

public slots:
    void ShowItems(const QStringList& uris, const QString&) { fixtures_->showItems(uris); }
    void ShowFolders(const QStringList& uris, const QString&) { fixtures_->showItems(uris); }

private:
    Fixtures* fixtures_;
};

Fixtures::Fixtures(ThumbnailProvider* thumbnails, QObject* parent) : QObject(parent), thumbnails_(thumbnails) {}

QObject* Fixtures::newModel() {
    auto* model = new AppModel(this);
    thumbnails_->watch(model);
    return model;
}

QUrl Fixtures::picture(const QString& name, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(static_cast<quint32>(qHash(name)));
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 255) / width, (y * 255) / height, static_cast<int>(random.bounded(256)));
    }
    const QString path = dir_.filePath(name);
    image.save(path);
    return QUrl::fromLocalFile(path);
}

QUrl Fixtures::textFile(const QString& name, const QString& text) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(text.toUtf8());
    return QUrl::fromLocalFile(path);
}

QUrl Fixtures::folder(const QString& name) {
    QDir(dir_.path()).mkpath(name);
    return QUrl::fromLocalFile(dir_.filePath(name));
}

bool Fixtures::exists(const QUrl& file) const { return QFile::exists(file.toLocalFile()); }

bool Fixtures::listenAsFileManager() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    auto* host = new QObject(this);
    new FileManagerListener(host, this);
    return bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), host) &&
           bus.registerService(QStringLiteral("org.freedesktop.FileManager1"));
}

void Fixtures::showItems(const QStringList& uris) {
    shown_ += uris;
    emit shownItemsChanged();
}

} // namespace quelso

#include "Fixtures.moc"
