// Decoded pictures made ready for cairo once, premultiplied in its pixel layout.
#include <cstring>
#include <memory>

#include "core/Alpha.h"
#include "platform/CanvasParts.h"

namespace quelso {

std::optional<CanvasImage> CanvasImage::from(const PixelImage& image) {
    if (!fitsCairoSurface(image.width, image.height) ||
        image.rgba.size() != static_cast<std::size_t>(image.width * image.height * 4))
        return std::nullopt;
    auto holder = std::make_shared<Surface>();
    holder->surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(image.width), static_cast<int>(image.height));
    if (cairo_surface_status(holder->surface) != CAIRO_STATUS_SUCCESS) return std::nullopt;

    cairo_surface_flush(holder->surface);
    std::uint8_t* base = cairo_image_surface_get_data(holder->surface);
    const int stride = cairo_image_surface_get_stride(holder->surface);
    const std::uint8_t* src = image.rgba.data();
    for (std::int64_t y = 0; y < image.height; ++y) {
        std::uint8_t* row = base + y * stride;
        std::memcpy(row, src + y * image.width * 4, static_cast<std::size_t>(image.width) * 4);
        // Cairo wants premultiplied colour.
        for (std::int64_t x = 0; x < image.width; ++x) {
            std::uint8_t* p = row + x * 4;
            for (int c = 0; c < 3; ++c) p[c] = premultiplied(p[c], p[3]);
        }
        rgbaToNative(row, static_cast<std::size_t>(image.width));
    }
    cairo_surface_mark_dirty(holder->surface);

    CanvasImage result;
    result.surface_ = std::move(holder);
    result.width_ = image.width;
    result.height_ = image.height;
    return result;
}

} // namespace quelso
