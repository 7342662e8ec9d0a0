#include "ui/SymbolProvider.h"

#include <QColor>
#include <QPainter>
#include <QSvgRenderer>

namespace quelso {

SymbolProvider::SymbolProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QImage SymbolProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize) {
    const qsizetype slash = id.lastIndexOf(u'/');
    const QString name = id.left(slash);
    const QColor tint(slash < 0 ? QStringLiteral("white") : id.mid(slash + 1));
    QSvgRenderer svg(QStringLiteral(":/qt/qml/Quelso/symbols/%1.svg").arg(name));
    if (!svg.isValid()) return {};
    const QSize box = requestedSize.isValid() && !requestedSize.isEmpty() ? requestedSize : svg.defaultSize();
    QImage image(box, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    // The shapes are drawn in black; keep their coverage and give them the tint.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), tint);
    painter.end();
    if (size) *size = box;
    return image;
}

} // namespace quelso
