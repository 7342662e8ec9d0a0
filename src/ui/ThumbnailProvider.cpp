#include "ui/ThumbnailProvider.h"

#include "model/AppModel.h"

namespace quelso {

ThumbnailProvider::ThumbnailProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

void ThumbnailProvider::watch(AppModel* model) { models_.append(model); }

QImage ThumbnailProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize) {
    for (const QPointer<AppModel>& model : std::as_const(models_)) {
        if (!model) continue;
        if (const ImageItemPtr item = model->items()->find(id)) {
            QImage image = item->thumbnail();
            if (requestedSize.isValid() && !image.isNull())
                image = image.scaled(requestedSize, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
            if (size) *size = image.size();
            return image;
        }
    }
    return {};
}

} // namespace quelso
