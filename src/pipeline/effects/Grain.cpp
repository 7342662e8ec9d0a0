#include "pipeline/Effects.h"
#include "pipeline/effects/PixelMath.h"
#include "pipeline/effects/SeededRuns.h"

namespace quelso::effects {

void grain(Bytes& rgba, double intensity, SplitMix64& rng) {
    const std::int64_t n = roundToCount(intensity * 20);
    if (n < 1) return;
    const std::uint64_t bound = 2 * static_cast<std::uint64_t>(n) + 1;
    std::uint8_t* px = rgba.data();
    forEachSeededPixel(static_cast<std::int64_t>(rgba.size() / 4), 1, bound, rng,
                       [&](std::int64_t begin, std::int64_t end, SplitMix64& shared) {
                           SplitMix64 g = shared; // a local copy stays in registers; byte stores could alias the original
                           for (std::int64_t i = begin * 4; i < end * 4; i += 4) {
                               const std::int64_t d = g.nextInt(-n, n);
                               for (int c = 0; c < 3; ++c) px[i + c] = addClamped(px[i + c], d);
                           }
                           shared = g;
                       });
}

} // namespace quelso::effects
