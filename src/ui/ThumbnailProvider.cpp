#include "ui/ThumbnailProvider.h"

#include <QPainter>
#include <QPainterPath>

#include "model/AppModel.h"

namespace quelso {

ThumbnailProvider::ThumbnailProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

void ThumbnailProvider::watch(AppModel* model) { models_.append(model); }

QImage ThumbnailProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize) {
    for (const QPointer<AppModel>& model : std::as_const(models_)) {
        if (!model) continue;
        if (const ImageItemPtr item = model->items()->find(id)) {
            const QImage& source = item->thumbnail();
            if (source.isNull()) return {};
            const QSize box = requestedSize.isEmpty() ? source.size() : requestedSize;
            QImage image(box, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
            // The row's frame is 64 wide with corners of 7.
            const qreal radius = 7.0 * box.width() / 64.0;
            QPainterPath frame;
            frame.addRoundedRect(QRectF(QPointF(0, 0), box), radius, radius);
            painter.setClipPath(frame);
            const QSize filled = source.size().scaled(box, Qt::KeepAspectRatioByExpanding);
            painter.drawImage(
                QRect(QPoint((box.width() - filled.width()) / 2, (box.height() - filled.height()) / 2), filled),
                source);
            painter.end();
            if (size) *size = box;
            return image;
        }
    }
    return {};
}

} // namespace quelso
