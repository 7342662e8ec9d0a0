#pragma once
// What the view tests ask of C++: fresh real models, real picture files, and a listener
// that stands in for the file manager on the private session bus.
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

namespace quelso {

class ThumbnailProvider;

class Fixtures : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList shownItems READ shownItems NOTIFY shownItemsChanged)

public:
    explicit Fixtures(ThumbnailProvider* thumbnails, QObject* parent = nullptr);

    // A new model as the application makes it, owned by the fixtures.
    Q_INVOKABLE QObject* newModel();
    // A noisy picture of the given size written as a real file (the extension picks the
    // format); returns its file URL.
    Q_INVOKABLE QUrl picture(const QString& name, int width, int height);
    // A file with the given text as its whole content.
    Q_INVOKABLE QUrl textFile(const QString& name, const QString& text);
    // A folder of the temporary tree.
    Q_INVOKABLE QUrl folder(const QString& name);
    Q_INVOKABLE bool exists(const QUrl& file) const;

    // The URIs the file manager was asked to show, in order.
    QStringList shownItems() const { return shown_; }
    // Takes the file manager's name on the session bus; false when there is no bus.
    Q_INVOKABLE bool listenAsFileManager();

signals:
    void shownItemsChanged();

private:
    friend class FileManagerListener;
    void showItems(const QStringList& uris);

    ThumbnailProvider* thumbnails_;
    QTemporaryDir dir_;
    QStringList shown_;
};

} // namespace quelso
