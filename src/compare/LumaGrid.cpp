#include "compare/LumaGrid.h"

#include <algorithm>

#include "core/Parallel.h"

namespace quelso::LumaGrid {

namespace {

// Luma over black in whole numbers: (299 R + 587 G + 114 B) * A, exact, at most 65 025 000.
// Sums of it fit 64 bits for any picture the decoders accept; one division per cell at the
// end gives the mean in 0..255.
constexpr double kScale = 1000.0 * 255.0;

// Adds one source row's luma to the column sums; two plain loops the compiler turns into vector code.
void addRow(const std::uint8_t* row, std::int64_t width, std::uint32_t* luma, std::uint64_t* columns) {
    for (std::int64_t x = 0; x < width; ++x) {
        const std::uint8_t* p = row + x * 4;
        luma[x] = (299u * p[0] + 587u * p[1] + 114u * p[2]) * p[3];
    }
    for (std::int64_t x = 0; x < width; ++x) columns[x] += luma[x];
}

} // namespace

Plane sample(const PixelImage& image, std::int64_t width, std::int64_t height) {
    const std::int64_t w = image.width, h = image.height;
    const auto edge = [](std::int64_t cell, std::int64_t from, std::int64_t to) { return cell * from / to; };
    std::vector<std::int64_t> left(static_cast<std::size_t>(width)), right(static_cast<std::size_t>(width));
    for (std::int64_t x = 0; x < width; ++x) {
        left[static_cast<std::size_t>(x)] = edge(x, w, width);
        right[static_cast<std::size_t>(x)] = std::max(edge(x + 1, w, width), left[static_cast<std::size_t>(x)] + 1);
    }
    Plane plane{std::vector<double>(static_cast<std::size_t>(width * height)), width, height};
    // Each row of cells sums its source rows column by column, then the columns cell by cell:
    // every pixel's luma is worked out once per row of cells that covers it.
    parallelFor(height, 1, [&](std::int64_t first, std::int64_t last) {
        std::vector<std::uint64_t> columns(static_cast<std::size_t>(w));
        std::vector<std::uint32_t> luma(static_cast<std::size_t>(w));
        for (std::int64_t y = first; y < last; ++y) {
            const std::int64_t y0 = edge(y, h, height), y1 = std::max(edge(y + 1, h, height), y0 + 1);
            std::fill(columns.begin(), columns.end(), 0);
            for (std::int64_t sy = y0; sy < y1; ++sy)
                addRow(&image.rgba[static_cast<std::size_t>(sy * w * 4)], w, luma.data(), columns.data());
            for (std::int64_t x = 0; x < width; ++x) {
                const std::int64_t x0 = left[static_cast<std::size_t>(x)], x1 = right[static_cast<std::size_t>(x)];
                std::uint64_t sum = 0;
                for (std::int64_t sx = x0; sx < x1; ++sx) sum += columns[static_cast<std::size_t>(sx)];
                plane.values[static_cast<std::size_t>(y * width + x)] =
                    static_cast<double>(sum) / (kScale * static_cast<double>((y1 - y0) * (x1 - x0)));
            }
        }
    });
    return plane;
}

} // namespace quelso::LumaGrid
