#pragma once
// Hands the rows their items' thumbnails: "image://thumbs/<itemId>", filling the requested
// size (cropped, not stretched) with the corners rounded like the row's frame.
#include <QList>
#include <QPointer>
#include <QQuickImageProvider>

namespace quelso {

class AppModel;

// Asked on the GUI thread (the rows load thumbnails synchronously), where the items live.
class ThumbnailProvider : public QQuickImageProvider {
public:
    ThumbnailProvider();
    // The models whose items may be asked for; a model that is gone is skipped.
    void watch(AppModel* model);
    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

private:
    QList<QPointer<AppModel>> models_;
};

} // namespace quelso
