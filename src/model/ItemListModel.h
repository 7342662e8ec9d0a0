#pragma once
// The queue as a list model: one row per item, in insertion order, with a role for every
// field a row shows. Rows follow their items' changes.
#include <QAbstractListModel>
#include <QList>

#include "model/ImageItem.h"

namespace quelso {

class ItemListModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        ItemRole = Qt::UserRole + 1, // "item": the ImageItem itself
        ItemIdRole,                  // "itemId"
        UrlRole,                     // "url"
        FileNameRole,                // "fileName"
        ByteSizeRole,                // "byteSize"
        WidthRole,                   // "width"
        HeightRole,                  // "height"
        FormatRole,                  // "format"
        MetaLineRole,                // "metaLine"
        ThumbnailRole,               // "thumbnail": the QImage, null until it arrives
        ThumbnailSourceRole,         // "thumbnailSource": "image://thumbs/<itemId>" once there, else ""
        StatusRole,                  // "status": ImageItem::Status
        StatusMessageRole,           // "statusMessage"
        PercentChangedRole,          // "percentChanged": null when absent
        OutputUrlRole,               // "outputUrl": empty when absent
        OutputBytesRole,             // "outputBytes": null when absent
        WatermarkedRole,             // "watermarked"
        DoneSummaryRole,             // "doneSummary"
    };

    explicit ItemListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const { return static_cast<int>(items_.size()); }
    const QList<ImageItemPtr>& items() const { return items_; }
    // The item with this id, or null.
    ImageItemPtr find(const QString& itemId) const;
    ImageItem* at(int row) const;

    void append(const QList<ImageItemPtr>& added);
    void removeId(const QUuid& id);
    void clear();

signals:
    void countChanged();
    // Any item's status changed (the model recounts what is pending).
    void statusesChanged();

private:
    void watch(ImageItem* item);
    void rowChanged(ImageItem* item, const QList<int>& roles);

    QList<ImageItemPtr> items_;
};

} // namespace quelso
