#pragma once
// Draws the named symbols of the views from the SVGs bundled with them, tinted in one colour.
#include <QQuickImageProvider>

namespace quelso {

// Image ids look like "play.fill/#ff007aff": the symbol's name, a slash and the tint as a
// colour name Qt reads. An unknown name gives a null image, so a missing file shows up in tests.
class SymbolProvider : public QQuickImageProvider {
public:
    SymbolProvider();
    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;
};

} // namespace quelso
