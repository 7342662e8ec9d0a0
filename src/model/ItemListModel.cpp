#include "model/ItemListModel.h"

namespace quelso {

ItemListModel::ItemListModel(QObject* parent) : QAbstractListModel(parent) {}

int ItemListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant ItemListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= count()) return {};
    const ImageItem& item = *items_[index.row()];
    switch (role) {
    case ItemRole:
        return QVariant::fromValue(const_cast<ImageItem*>(&item));
    case ItemIdRole:
        return item.itemId();
    case UrlRole:
        return item.url();
    case Qt::DisplayRole:
    case FileNameRole:
        return item.fileName();
    case ByteSizeRole:
        return item.byteSize();
    case WidthRole:
        return item.width();
    case HeightRole:
        return item.height();
    case FormatRole:
        return item.format();
    case MetaLineRole:
        return item.metaLine();
    case ThumbnailRole:
        return item.thumbnail();
    case ThumbnailSourceRole:
        return item.hasThumbnail() ? QStringLiteral("image://thumbs/") + item.itemId() : QString();
    case StatusRole:
        return item.status();
    case StatusMessageRole:
        return item.statusMessage();
    case PercentChangedRole:
        return item.percentChangedValue();
    case OutputUrlRole:
        return item.outputUrl();
    case OutputBytesRole:
        return item.outputBytesValue();
    case WatermarkedRole:
        return item.watermarked();
    case DoneSummaryRole:
        return item.doneSummary();
    default:
        return {};
    }
}

QHash<int, QByteArray> ItemListModel::roleNames() const {
    return {{ItemRole, "item"},
            {ItemIdRole, "itemId"},
            {UrlRole, "url"},
            {FileNameRole, "fileName"},
            {ByteSizeRole, "byteSize"},
            {WidthRole, "width"},
            {HeightRole, "height"},
            {FormatRole, "format"},
            {MetaLineRole, "metaLine"},
            {ThumbnailRole, "thumbnail"},
            {ThumbnailSourceRole, "thumbnailSource"},
            {StatusRole, "status"},
            {StatusMessageRole, "statusMessage"},
            {PercentChangedRole, "percentChanged"},
            {OutputUrlRole, "outputUrl"},
            {OutputBytesRole, "outputBytes"},
            {WatermarkedRole, "watermarked"},
            {DoneSummaryRole, "doneSummary"}};
}

ImageItemPtr ItemListModel::find(const QString& itemId) const {
    for (const ImageItemPtr& item : items_)
        if (item->itemId() == itemId) return item;
    return {};
}

ImageItem* ItemListModel::at(int row) const { return row >= 0 && row < count() ? items_[row].data() : nullptr; }

void ItemListModel::append(const QList<ImageItemPtr>& added) {
    if (added.isEmpty()) return;
    beginInsertRows({}, count(), count() + static_cast<int>(added.size()) - 1);
    for (const ImageItemPtr& item : added) {
        items_.append(item);
        watch(item.data());
    }
    endInsertRows();
    emit countChanged();
}

void ItemListModel::removeId(const QUuid& id) {
    bool removed = false;
    for (int row = count() - 1; row >= 0; --row) {
        if (items_[row]->id() != id) continue;
        beginRemoveRows({}, row, row);
        items_[row]->disconnect(this);
        items_.removeAt(row);
        endRemoveRows();
        removed = true;
    }
    if (removed) emit countChanged();
}

void ItemListModel::clear() {
    if (items_.isEmpty()) return;
    beginResetModel();
    for (const ImageItemPtr& item : items_) item->disconnect(this);
    items_.clear();
    endResetModel();
    emit countChanged();
}

void ItemListModel::watch(ImageItem* item) {
    connect(item, &ImageItem::thumbnailChanged, this, [this, item] {
        rowChanged(item, {ThumbnailRole, ThumbnailSourceRole});
    });
    connect(item, &ImageItem::statusChanged, this, [this, item] {
        rowChanged(item, {StatusRole, StatusMessageRole});
        emit statusesChanged();
    });
    connect(item, &ImageItem::resultsChanged, this, [this, item] {
        rowChanged(item, {PercentChangedRole, OutputUrlRole, OutputBytesRole, WatermarkedRole, DoneSummaryRole});
    });
}

void ItemListModel::rowChanged(ImageItem* item, const QList<int>& roles) {
    for (int row = 0; row < count(); ++row)
        if (items_[row].data() == item) emit dataChanged(index(row), index(row), roles);
}

} // namespace quelso
