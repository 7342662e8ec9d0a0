#pragma once
// The slanted motion blur on a vector kernel, tile by tile over source converted to floats.
#include <cstdint>

#include "core/PixelImage.h"
#include "effects/SampleRuns.h"

namespace quelso::effects {

// The longest half-length the tiles take: their float copy of the source grows with its square.
inline constexpr std::int64_t kTiledSmearReach = 64;

// out = the mean of the 2n+1 bilinear samples at (x + c * k, y + s * k), k = -n..n, each sample
// rounded to bytes as the plain sampler rounds it; n <= kTiledSmearReach.
void smearInTiles(const Bytes& src, std::int64_t width, std::int64_t height, std::int64_t n, double c, double s,
                  const SampleKernel& kernel, Bytes& out);

} // namespace quelso::effects
