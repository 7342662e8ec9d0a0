#include "core/PixelMath.h"
#include "effects/Effects.h"
#include "effects/SeededRuns.h"
#include "effects/Strength.h"

namespace quelso::effects {

void grain(Bytes& rgba, double intensity, SplitMix64& rng) {
    const std::optional<std::int64_t> largestStep = strength::grainSpan(intensity);
    if (!largestStep) return;
    const std::int64_t n = *largestStep;
    const std::uint64_t bound = 2 * static_cast<std::uint64_t>(n) + 1;
    std::uint8_t* const pixels = rgba.data();
    forEachSeededPixel(static_cast<std::int64_t>(rgba.size() / 4), 1, bound, rng,
                       [&](std::int64_t begin, std::int64_t end, SplitMix64& shared) {
                           // Locals stay in registers; byte stores could alias anything reached by reference.
                           SplitMix64 g = shared;
                           std::uint8_t* const px = pixels;
                           const std::int64_t span = n;
                           for (std::int64_t i = begin * 4; i < end * 4; i += 4) {
                               const std::int64_t d = g.nextInt(-span, span);
                               for (int c = 0; c < 3; ++c) px[i + c] = addClamped(px[i + c], d);
                           }
                           shared = g;
                       });
}

} // namespace quelso::effects
