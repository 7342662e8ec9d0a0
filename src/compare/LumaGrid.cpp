#include "compare/LumaGrid.h"

#include <algorithm>
#include <mutex>

#include "core/Parallel.h"

namespace quelso::LumaGrid {

namespace {

// Luma over black in whole numbers: (299 R + 587 G + 114 B) * A, exact, at most 65 025 000.
// Sums of it fit 64 bits for any picture the decoders accept; one division per cell at the
// end gives the mean in 0..255.
constexpr double kScale = 1000.0 * 255.0;

std::int64_t edge(std::int64_t cell, std::int64_t from, std::int64_t to) { return cell * from / to; }

// For each of the source's `side` positions, the cell of a grid of `cells` (at most side)
// that covers it: the cells' ranges of positions follow one another without gaps.
std::vector<std::int32_t> cellOf(std::int64_t side, std::int64_t cells) {
    std::vector<std::int32_t> cell(static_cast<std::size_t>(side));
    for (std::int64_t c = 0; c < cells; ++c)
        std::fill(cell.begin() + edge(c, side, cells), cell.begin() + edge(c + 1, side, cells),
                  static_cast<std::int32_t>(c));
    return cell;
}

// The grid of a picture at most as large as it: each pixel in exactly one cell.
struct Sums {
    Size size;
    std::vector<std::int64_t> columnStart; // first source column of each cell, then the width
    std::vector<std::int32_t> row;         // cell of each source row
    std::vector<std::uint64_t> total;      // per cell, all source rows added
};

// A grid larger than the picture in a direction has one source position per cell there,
// the one of the grid clamped to the picture's size that the cell falls on.
Plane expand(const Plane& clamped, Size size, std::int64_t w, std::int64_t h) {
    if (clamped.width == size.width && clamped.height == size.height) return clamped;
    Plane plane{std::vector<double>(static_cast<std::size_t>(size.width * size.height)), size.width, size.height};
    for (std::int64_t y = 0; y < size.height; ++y) {
        const std::int64_t from = clamped.height < size.height ? edge(y, h, size.height) : y;
        for (std::int64_t x = 0; x < size.width; ++x) {
            const std::int64_t at = clamped.width < size.width ? edge(x, w, size.width) : x;
            plane.values[static_cast<std::size_t>(y * size.width + x)] =
                clamped.values[static_cast<std::size_t>(from * clamped.width + at)];
        }
    }
    return plane;
}

} // namespace

std::vector<Plane> sample(const PixelImage& image, std::span<const Size> sizes) {
    const std::int64_t w = image.width, h = image.height;
    std::vector<Sums> grids;
    for (const Size size : sizes) {
        const Size clamped{std::min(size.width, w), std::min(size.height, h)};
        std::vector<std::int64_t> starts;
        for (std::int64_t c = 0; c <= clamped.width; ++c) starts.push_back(edge(c, w, clamped.width));
        grids.push_back({clamped, std::move(starts), cellOf(h, clamped.height),
                         std::vector<std::uint64_t>(static_cast<std::size_t>(clamped.width * clamped.height))});
    }
    // One pass over the pixels for every grid: each row's luma is worked out once and added
    // to the cells of each grid. Bands of rows sum on their own and are added up at the end.
    std::mutex merging;
    parallelFor(h, rowsPerTask(w), [&](std::int64_t first, std::int64_t last) {
        // Locals stay in registers: the cells are 64-bit stores that could alias anything
        // reached by reference.
        const std::int64_t width = w;
        std::vector<std::uint32_t> lumaRow(static_cast<std::size_t>(width));
        std::uint32_t* const luma = lumaRow.data();
        std::vector<std::vector<std::uint64_t>> band;
        for (const Sums& grid : grids) band.emplace_back(grid.total.size());
        for (std::int64_t sy = first; sy < last; ++sy) {
            const std::uint8_t* p = &image.rgba[static_cast<std::size_t>(sy * width * 4)];
            for (std::int64_t x = 0; x < width; ++x, p += 4) luma[x] = (299u * p[0] + 587u * p[1] + 114u * p[2]) * p[3];
            for (std::size_t g = 0; g < grids.size(); ++g) {
                const Sums& grid = grids[g];
                std::uint64_t* const cells =
                    &band[g][static_cast<std::size_t>(grid.row[static_cast<std::size_t>(sy)] * grid.size.width)];
                // Summed in a register cell by cell: adding pixel by pixel into memory would
                // chain every add on the one before through the same cell.
                for (std::int64_t c = 0; c < grid.size.width; ++c) {
                    std::uint64_t sum = 0;
                    const std::int64_t end = grid.columnStart[static_cast<std::size_t>(c + 1)];
                    for (std::int64_t x = grid.columnStart[static_cast<std::size_t>(c)]; x < end; ++x) sum += luma[x];
                    cells[c] += sum;
                }
            }
        }
        const std::lock_guard lock(merging);
        for (std::size_t g = 0; g < grids.size(); ++g)
            for (std::size_t i = 0; i < band[g].size(); ++i) grids[g].total[i] += band[g][i];
    });

    std::vector<Plane> planes;
    for (std::size_t g = 0; g < grids.size(); ++g) {
        const Sums& grid = grids[g];
        const std::int64_t gw = grid.size.width, gh = grid.size.height;
        Plane plane{std::vector<double>(static_cast<std::size_t>(gw * gh)), gw, gh};
        for (std::int64_t y = 0; y < gh; ++y) {
            const std::int64_t rows = edge(y + 1, h, gh) - edge(y, h, gh);
            for (std::int64_t x = 0; x < gw; ++x) {
                const std::size_t i = static_cast<std::size_t>(y * gw + x);
                const std::int64_t columns = edge(x + 1, w, gw) - edge(x, w, gw);
                plane.values[i] = static_cast<double>(grid.total[i]) / (kScale * static_cast<double>(rows * columns));
            }
        }
        planes.push_back(expand(plane, sizes[g], w, h));
    }
    return planes;
}

Plane sample(const PixelImage& image, std::int64_t width, std::int64_t height) {
    const Size size{width, height};
    return std::move(sample(image, std::span(&size, 1)).front());
}

} // namespace quelso::LumaGrid
