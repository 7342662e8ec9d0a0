#include "watermark/VisibleOverlay.h"

#include <algorithm>
#include <optional>

#include "core/Alpha.h"
#include "core/PixelMath.h"
#include "platform/Canvas.h"
#include "platform/ImageCodec.h"

namespace quelso::Watermark {

namespace {

// 30 degrees clockwise on the picture, in the upward drawing frame.
constexpr double kTurn = -kPi / 6;
// Metric twin of the bold sans-serif the overlay is designed around; other scripts fall back
// to whichever installed font covers them.
constexpr const char* kFont = "Liberation Sans Bold";

// The patterns cover (-M, -M) to (2M, 2M) of the turned frame so that the turned picture is
// covered whatever its shape; the canvas clips the rest.
void drawTextRows(Canvas& canvas, const std::string& text, double M) {
    const double f = std::max(M * 0.05, 14.0);
    const std::optional<TextLine> line = TextLine::make(text, kFont, f, TextColor{1, 1, 1, 1});
    if (!line) return;
    const double s = std::max(2.0 * f + line->inkBounds().width, 4.0 * f);
    for (double y = -M; y < 2.0 * M; y = y + 3.0 * f)
        for (double x = -M; x < 2.0 * M; x = x + s) canvas.drawText(*line, x, y);
}

void drawTiles(Canvas& canvas, const Bytes& encoded, double M) {
    const std::optional<PixelImage> decoded = ImageCodec::decodeBytes(encoded.data(), encoded.size());
    if (!decoded) return;
    const std::optional<CanvasImage> tile = CanvasImage::from(*decoded);
    if (!tile) return;
    const double tw = M * 0.22;
    const double th =
        tw * (static_cast<double>(decoded->height) / static_cast<double>(std::max<std::int64_t>(decoded->width, 1)));
    for (double y = -M; y < 2.0 * M; y = y + 2.0 * th)
        for (double x = -M; x < 2.0 * M; x = x + 1.8 * tw) canvas.drawImage(*tile, Rect{x, y, tw, th});
}

} // namespace

void applyVisibleOverlay(Bytes& rgba, std::int64_t width, std::int64_t height, const WatermarkContent& content,
                         double opacity) {
    premultiply(rgba);
    if (std::optional<Canvas> canvas = Canvas::over(rgba, width, height)) {
        const double W = static_cast<double>(width), H = static_cast<double>(height);
        const double M = std::max(W, H);
        canvas->setAlpha(opacity);
        canvas->save();
        canvas->translate(W * 0.5, H * 0.5);
        canvas->rotate(kTurn);
        canvas->translate(-W * 0.5, -H * 0.5);
        if (const std::string* text = content.asText())
            drawTextRows(*canvas, *text, M);
        else if (const Bytes* image = content.asImage())
            drawTiles(*canvas, *image, M);
        canvas->restore();
    }
    unpremultiply(rgba);
}

} // namespace quelso::Watermark
