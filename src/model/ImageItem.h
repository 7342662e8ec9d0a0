#pragma once
// One queued input file: what the list shows before processing (size, dimensions, format,
// thumbnail) and the state and results of its last run. Lives on the main thread; workers
// never touch it directly.
#include <QImage>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QUrl>
#include <QUuid>
#include <optional>

namespace quelso {

class ImageItem : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString itemId READ itemId CONSTANT)
    Q_PROPERTY(QUrl url READ url CONSTANT)
    Q_PROPERTY(QString fileName READ fileName CONSTANT)
    Q_PROPERTY(qint64 byteSize READ byteSize CONSTANT)
    Q_PROPERTY(qint64 width READ width CONSTANT)
    Q_PROPERTY(qint64 height READ height CONSTANT)
    Q_PROPERTY(QString format READ format CONSTANT)
    Q_PROPERTY(QString metaLine READ metaLine CONSTANT)
    Q_PROPERTY(QImage thumbnail READ thumbnail NOTIFY thumbnailChanged)
    Q_PROPERTY(bool hasThumbnail READ hasThumbnail NOTIFY thumbnailChanged)
    Q_PROPERTY(Status status READ status NOTIFY statusChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusChanged)
    // Results of the last successful run; absent values read as null in QML.
    Q_PROPERTY(QVariant percentChanged READ percentChangedValue NOTIFY resultsChanged)
    Q_PROPERTY(QUrl outputUrl READ outputUrl NOTIFY resultsChanged)
    Q_PROPERTY(QVariant outputBytes READ outputBytesValue NOTIFY resultsChanged)
    Q_PROPERTY(bool watermarked READ watermarked NOTIFY resultsChanged)
    Q_PROPERTY(QString doneSummary READ doneSummary NOTIFY resultsChanged)

public:
    enum Status { Ready, Processing, Done, Failed };
    Q_ENUM(Status)

    // A new item for the file, with its size and header information read at once and
    // its thumbnail requested in the background (delivered only while the item lives).
    static QSharedPointer<ImageItem> create(const QUrl& url);

    QString itemId() const { return id_.toString(QUuid::WithoutBraces); }
    const QUuid& id() const { return id_; }
    const QUrl& url() const { return url_; }
    QString fileName() const { return url_.fileName(); }
    qint64 byteSize() const { return byteSize_; }
    qint64 width() const { return width_; }
    qint64 height() const { return height_; }
    const QString& format() const { return format_; }
    // "2 MB · 4032×3024 · HEIC"
    QString metaLine() const;

    const QImage& thumbnail() const { return thumbnail_; }
    bool hasThumbnail() const { return !thumbnail_.isNull(); }
    void setThumbnail(const QImage& image);

    Status status() const { return status_; }
    // The failure message while Failed, else empty.
    const QString& statusMessage() const { return message_; }
    void setStatus(Status status, const QString& message = {});

    std::optional<double> percentChanged() const { return percentChanged_; }
    std::optional<qint64> outputBytes() const { return outputBytes_; }
    QVariant percentChangedValue() const;
    QVariant outputBytesValue() const;
    const QUrl& outputUrl() const { return outputUrl_; }
    bool watermarked() const { return watermarked_; }
    // "99.9% changed · 412 KB · mark ✓": the results that exist.
    QString doneSummary() const;

    // The results of a successful run, set together just before the status becomes Done.
    void setResults(double percentChanged, bool watermarked, const QUrl& outputUrl, qint64 outputBytes);

signals:
    void thumbnailChanged();
    void statusChanged();
    void resultsChanged();

private:
    explicit ImageItem(const QUrl& url);
    void loadMeta();

    const QUuid id_ = QUuid::createUuid();
    const QUrl url_;
    qint64 byteSize_ = 0;
    qint64 width_ = 0;
    qint64 height_ = 0;
    QString format_ = QStringLiteral("IMG");
    QImage thumbnail_;
    Status status_ = Ready;
    QString message_;
    std::optional<double> percentChanged_;
    QUrl outputUrl_;
    std::optional<qint64> outputBytes_;
    bool watermarked_ = false;
};

using ImageItemPtr = QSharedPointer<ImageItem>;

} // namespace quelso
