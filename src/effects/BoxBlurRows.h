#pragma once
// The box blur as a stream of finished rows, so the blur and the sharpen can write their
// result straight back into the raster instead of into a second raster.
#include <cstdint>
#include <functional>

#include "core/PixelImage.h"

namespace quelso::effects {

// The clamp-to-edge window [centre - r, centre + r] over indices 0..n-1 (centre inside):
// the indices it covers, and how many extra times the first and the last of them count.
struct Window {
    std::int64_t first, last;
    std::uint64_t extraFirst, extraLast;
};

inline Window clampedWindow(std::int64_t centre, std::int64_t r, std::int64_t n) {
    return {std::max<std::int64_t>(centre - r, 0), std::min(centre + r, n - 1),
            static_cast<std::uint64_t>(std::max<std::int64_t>(r - centre, 0)),
            static_cast<std::uint64_t>(std::max<std::int64_t>(centre + r - (n - 1), 0))};
}

// Receives row y of the blur (R, G, B per pixel, width * 3 bytes). Row y of the raster still
// holds its original pixels when this is called, and may be overwritten by it.
using BlurredRowSink = std::function<void(std::int64_t y, const std::uint8_t* blurredRgb)>;

// Box blur of R, G, B with radius 1 <= r (clamp to edge, sums divided by 2r+1 truncated,
// horizontal pass first), delivered row by row to `sink`. Bands of rows run in parallel.
void streamBoxBlur(Bytes& rgba, std::int64_t width, std::int64_t height, std::int64_t radius,
                   const BlurredRowSink& sink);

} // namespace quelso::effects
