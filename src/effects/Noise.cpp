#include "core/PixelMath.h"
#include "effects/Effects.h"
#include "effects/SeededRuns.h"

namespace quelso::effects {

void noise(Bytes& rgba, std::int64_t strength, SplitMix64& rng) {
    if (strength < 1) return;
    const std::uint64_t bound = 2 * static_cast<std::uint64_t>(strength) + 1;
    std::uint8_t* const pixels = rgba.data();
    forEachSeededPixel(static_cast<std::int64_t>(rgba.size() / 4), 6, bound, rng,
                       [&](std::int64_t begin, std::int64_t end, SplitMix64& shared) {
                           // Locals stay in registers; byte stores could alias anything reached by reference.
                           SplitMix64 g = shared;
                           std::uint8_t* const px = pixels;
                           const std::int64_t s = strength;
                           for (std::int64_t i = begin * 4; i < end * 4; i += 4)
                               for (int c = 0; c < 3; ++c) {
                                   const std::int64_t a = g.nextInt(-s, s);
                                   const std::int64_t b = g.nextInt(-s, s);
                                   // 128-bit sum: strengths near the 64-bit limit must not overflow.
                                   const auto d = static_cast<std::int64_t>((static_cast<__int128>(a) + b) / 2);
                                   px[i + c] = addClamped(px[i + c], d);
                               }
                           shared = g;
                       });
}

} // namespace quelso::effects
