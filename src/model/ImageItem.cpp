#include "model/ImageItem.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThreadPool>

#include "model/ThemeBytes.h"
#include "pipeline/ImageLoader.h"

namespace quelso {

namespace {

const QString kSeparator = QStringLiteral(" \u00B7 ");
constexpr int kThumbnailSide = 256;

// A deep copy of the straight-alpha RGBA raster.
QImage toQImage(const PixelImage& picture) {
    const QImage view(picture.rgba.data(), static_cast<int>(picture.width), static_cast<int>(picture.height),
                      static_cast<qsizetype>(picture.width * 4), QImage::Format_RGBA8888);
    return view.copy();
}

// Makes the thumbnail on the global pool; it reaches the item on the main thread, and only
// if the item still exists then.
void requestThumbnail(const ImageItemPtr& item) {
    const QWeakPointer<ImageItem> weak = item;
    const std::string path = item->url().toLocalFile().toStdString();
    QThreadPool::globalInstance()->start([weak, path] {
        if (weak.isNull()) return;
        const std::optional<PixelImage> picture = ImageLoader::thumbnail(path, kThumbnailSide);
        if (!picture) return;
        const QImage image = toQImage(*picture);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [weak, image] {
                if (const ImageItemPtr living = weak.toStrongRef()) living->setThumbnail(image);
            },
            Qt::QueuedConnection);
    });
}

} // namespace

ImageItem::ImageItem(const QUrl& url) : url_(url) {}

ImageItemPtr ImageItem::create(const QUrl& url) {
    // Deleted on its own thread even when a worker drops the last reference.
    ImageItemPtr item(new ImageItem(url), &QObject::deleteLater);
    item->loadMeta();
    requestThumbnail(item);
    return item;
}

void ImageItem::loadMeta() {
    const QFileInfo file(url_.toLocalFile());
    if (!file.exists()) return;
    byteSize_ = file.size();
    // Only regular files are opened: a pipe or device under an image name would block the
    // main thread.
    if (!file.isFile()) return;
    if (const auto info = ImageLoader::info(file.filePath().toStdString())) {
        width_ = info->width;
        height_ = info->height;
        format_ = QString::fromStdString(info->format);
    }
}

QString ImageItem::metaLine() const {
    return Theme::bytes(byteSize_) + kSeparator + QString::number(width_) + QChar(0x00D7) + QString::number(height_) +
           kSeparator + format_;
}

void ImageItem::setThumbnail(const QImage& image) {
    thumbnail_ = image;
    emit thumbnailChanged();
}

void ImageItem::setStatus(Status status, const QString& message) {
    const QString text = status == Failed ? message : QString();
    if (status == status_ && text == message_) return;
    status_ = status;
    message_ = text;
    emit statusChanged();
}

QVariant ImageItem::percentChangedValue() const { return percentChanged_ ? QVariant(*percentChanged_) : QVariant(); }

QVariant ImageItem::outputBytesValue() const { return outputBytes_ ? QVariant(*outputBytes_) : QVariant(); }

QString ImageItem::doneSummary() const {
    QStringList parts;
    if (percentChanged_) parts << QString::asprintf("%.1f%% changed", *percentChanged_);
    if (outputBytes_) parts << Theme::bytes(*outputBytes_);
    if (watermarked_) parts << QStringLiteral("mark \u2713");
    return parts.join(kSeparator);
}

void ImageItem::setResults(double percentChanged, bool watermarked, const QUrl& outputUrl, qint64 outputBytes) {
    percentChanged_ = percentChanged;
    watermarked_ = watermarked;
    outputUrl_ = outputUrl;
    outputBytes_ = outputBytes;
    emit resultsChanged();
}

} // namespace quelso
