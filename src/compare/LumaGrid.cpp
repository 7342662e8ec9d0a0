#include "compare/LumaGrid.h"

#include <algorithm>

namespace quelso::LumaGrid {

Plane sample(const PixelImage& image, std::int64_t width, std::int64_t height) {
    const std::int64_t w = image.width, h = image.height;
    // Luma is worked out as the cells are summed, never held for the whole picture: a plane
    // of doubles would be twice the raster.
    const auto luma = [&](std::int64_t x, std::int64_t y) {
        const std::uint8_t* p = &image.rgba[static_cast<std::size_t>((y * w + x) * 4)];
        return (0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]) * p[3] / 255.0;
    };
    const auto edge = [](std::int64_t cell, std::int64_t from, std::int64_t to) { return cell * from / to; };
    Plane plane{std::vector<double>(static_cast<std::size_t>(width * height)), width, height};
    for (std::int64_t y = 0; y < height; ++y) {
        const std::int64_t y0 = edge(y, h, height), y1 = std::max(edge(y + 1, h, height), y0 + 1);
        for (std::int64_t x = 0; x < width; ++x) {
            const std::int64_t x0 = edge(x, w, width), x1 = std::max(edge(x + 1, w, width), x0 + 1);
            double sum = 0.0;
            for (std::int64_t sy = y0; sy < y1; ++sy)
                for (std::int64_t sx = x0; sx < x1; ++sx) sum += luma(sx, sy);
            plane.values[static_cast<std::size_t>(y * width + x)] = sum / static_cast<double>((y1 - y0) * (x1 - x0));
        }
    }
    return plane;
}

} // namespace quelso::LumaGrid
