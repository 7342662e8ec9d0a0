#include "pipeline/LogoStamp.h"

#include <algorithm>
#include <optional>

#include "core/Alpha.h"
#include "pipeline/ImageLoader.h"
#include "platform/Canvas.h"

namespace quelso::ImageProcessor {

void stampLogo(Bytes& rgba, std::int64_t width, std::int64_t height, const Bytes& png, double sizePercent,
               double opacity, double marginPercent) {
    // Decode before touching the raster, so a bad logo costs nothing, not even the
    // premultiply round trip.
    const std::optional<PixelImage> decoded = ImageLoader::load(png);
    if (!decoded) return;
    const std::optional<CanvasImage> logo = CanvasImage::from(*decoded);
    if (!logo) return;
    const double lw0 = static_cast<double>(std::max<std::int64_t>(decoded->width, 1));
    const double lh0 = static_cast<double>(decoded->height);

    premultiply(rgba);

    // Drawing frame: origin at the bottom-left corner, y upwards. Nothing is snapped to
    // whole pixels; the canvas resamples into the fractional rectangle.
    const double W = static_cast<double>(width), H = static_cast<double>(height);
    const double w = std::max((sizePercent * W) / 100.0, 1.0);
    const double h = w * (lh0 / lw0);
    const double x = (W - w) * 0.5;
    const double y = (marginPercent * H) / 100.0;

    if (std::optional<Canvas> canvas = Canvas::over(rgba, width, height)) {
        canvas->setAlpha(std::clamp(opacity, 0.0, 1.0));
        canvas->drawImage(*logo, Rect{x, y, w, h});
    }

    unpremultiply(rgba);
}

} // namespace quelso::ImageProcessor
