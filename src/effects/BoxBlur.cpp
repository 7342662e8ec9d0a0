// The box blur streams down each band of rows keeping only a ring of 2r + 2 horizontally
// blurred rows: a row of the raster is read (into the ring) before the output row that
// replaces it is written, so the result goes back in place. Bands meet at rows the
// neighbouring band needs unchanged; those few rows are copied aside before any band writes.
#include <algorithm>
#include <vector>

#include "core/Parallel.h"
#include "core/PixelMath.h"
#include "effects/BoxBlurRows.h"
#include "effects/Effects.h"
#include "effects/ExactDivision.h"

namespace quelso::effects {

namespace {

// Window sums of 2r+1 bytes stay below 2^32 for the exact divider.
constexpr std::int64_t kMaxRadius = 1 << 22;

// Horizontal pass of one RGBA row into `out` (R, G, B per pixel).
void blurRow(const std::uint8_t* src, std::int64_t width, std::int64_t r, const Divider& divide, std::uint8_t* out) {
    const Window w = clampedWindow(0, r, width);
    for (int c = 0; c < 3; ++c) {
        std::uint32_t sum = static_cast<std::uint32_t>(w.extraFirst * src[c] + w.extraLast * src[(width - 1) * 4 + c]);
        for (std::int64_t x = w.first; x <= w.last; ++x) sum += src[x * 4 + c];
        for (std::int64_t x = 0; x < width; ++x) {
            out[x * 3 + c] = static_cast<std::uint8_t>(divide(sum));
            // Unsigned wrap-around is harmless: the true sum is never negative.
            sum += src[std::min(x + r + 1, width - 1) * 4 + c];
            sum -= src[std::max<std::int64_t>(x - r, 0) * 4 + c];
        }
    }
}

struct Band {
    std::int64_t y0, y1;
    std::int64_t beforeFirst; // first row saved in `before`
    Bytes before, after;      // rows [beforeFirst, y0) and [y1, y1 + r) of the original raster
};

void runBand(Bytes& rgba, std::int64_t width, std::int64_t height, std::int64_t r, const Band& band,
             const BlurredRowSink& sink) {
    const std::int64_t rowBytes = width * 4;
    const Divider divide(static_cast<std::uint32_t>(2 * r + 1));
    auto sourceRow = [&](std::int64_t k) -> const std::uint8_t* {
        if (k < band.y0) return band.before.data() + (k - band.beforeFirst) * rowBytes;
        if (k >= band.y1) return band.after.data() + (k - band.y1) * rowBytes;
        return rgba.data() + k * rowBytes;
    };
    const std::int64_t ringRows = std::min(2 * r + 2, height);
    Bytes ring(static_cast<std::size_t>(ringRows * width * 3));
    auto blurredRow = [&](std::int64_t k) { return ring.data() + (k % ringRows) * width * 3; };
    auto computeRow = [&](std::int64_t k) { blurRow(sourceRow(k), width, r, divide, blurredRow(k)); };

    std::vector<std::uint32_t> sums(static_cast<std::size_t>(width * 3), 0);
    const Window w = clampedWindow(band.y0, r, height);
    for (std::int64_t k = w.first; k <= w.last; ++k) {
        computeRow(k);
        const std::uint8_t* row = blurredRow(k);
        const std::uint64_t weight = 1 + (k == w.first ? w.extraFirst : 0) + (k == w.last ? w.extraLast : 0);
        for (std::int64_t i = 0; i < width * 3; ++i) sums[i] += static_cast<std::uint32_t>(weight * row[i]);
    }
    std::int64_t computedUpTo = w.last;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width * 3));
    for (std::int64_t y = band.y0; y < band.y1; ++y) {
        for (std::int64_t i = 0; i < width * 3; ++i) out[i] = static_cast<std::uint8_t>(divide(sums[i]));
        sink(y, out.data());
        if (y + 1 == band.y1) break;
        const std::int64_t added = std::min(y + r + 1, height - 1);
        const std::int64_t removed = std::max<std::int64_t>(y - r, 0);
        if (added > computedUpTo) computeRow(computedUpTo = added);
        const std::uint8_t* plus = blurredRow(added);
        const std::uint8_t* minus = blurredRow(removed);
        for (std::int64_t i = 0; i < width * 3; ++i) sums[i] = sums[i] + plus[i] - minus[i];
    }
}

} // namespace

void streamBoxBlur(Bytes& rgba, std::int64_t width, std::int64_t height, std::int64_t radius,
                   const BlurredRowSink& sink) {
    const std::int64_t r = std::min(radius, kMaxRadius);
    const std::int64_t rowBytes = width * 4;
    // Bands of at least 2r rows keep the copied rows a small share of the raster.
    const std::int64_t minRows = std::max(rowsPerTask(width), 2 * r);
    const std::int64_t bandCount = std::clamp<std::int64_t>(height / minRows, 1, workerCount());
    std::vector<Band> bands(static_cast<std::size_t>(bandCount));
    for (std::int64_t b = 0; b < bandCount; ++b) {
        Band& band = bands[b];
        band.y0 = height * b / bandCount;
        band.y1 = height * (b + 1) / bandCount;
        band.beforeFirst = std::max<std::int64_t>(band.y0 - r, 0);
        band.before.assign(rgba.begin() + band.beforeFirst * rowBytes, rgba.begin() + band.y0 * rowBytes);
        band.after.assign(rgba.begin() + band.y1 * rowBytes, rgba.begin() + std::min(band.y1 + r, height) * rowBytes);
    }
    parallelFor(bandCount, 1, [&](std::int64_t b0, std::int64_t b1) {
        for (std::int64_t b = b0; b < b1; ++b) runBand(rgba, width, height, r, bands[b], sink);
    });
}

void boxBlur(Bytes& rgba, std::int64_t width, std::int64_t height, std::int64_t radius) {
    if (radius < 1 || width < 1 || height < 1) return;
    streamBoxBlur(rgba, width, height, radius, [&](std::int64_t y, const std::uint8_t* blurred) {
        std::uint8_t* row = rgba.data() + y * width * 4;
        for (std::int64_t x = 0; x < width; ++x) std::copy_n(blurred + x * 3, 3, row + x * 4);
    });
}

} // namespace quelso::effects
