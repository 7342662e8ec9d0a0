#include <algorithm>
#include <array>
#include <cmath>

#include "core/Parallel.h"
#include "core/PixelMath.h"
#include "effects/Effects.h"

namespace quelso::effects {

void colorReplace(Bytes& rgba, RGBColor from, RGBColor to, double tolerance) {
    const double fr = from.r * 255, fg = from.g * 255, fb = from.b * 255;
    const double tr = to.r * 255, tg = to.g * 255, tb = to.b * 255;
    const double limit = std::max(tolerance * 441.673, 1.0);
    // The squared distance of each channel from the from colour, for all 256 values.
    std::array<double, 256> sqR{}, sqG{}, sqB{};
    for (int v = 0; v < 256; ++v) {
        sqR[v] = (v - fr) * (v - fr);
        sqG[v] = (v - fg) * (v - fg);
        sqB[v] = (v - fb) * (v - fb);
    }
    std::uint8_t* px = rgba.data();
    parallelFor(static_cast<std::int64_t>(rgba.size() / 4), kPixelsPerTask, [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t i = begin * 4; i < end * 4; i += 4) {
            const double r = px[i], g = px[i + 1], b = px[i + 2];
            const double d = std::sqrt((sqG[px[i + 1]] + sqR[px[i]]) + sqB[px[i + 2]]);
            if (!(d < limit)) continue;
            const double w = 1 - d / limit;
            px[i] = toByte((tr - r) * w + r);
            px[i + 1] = toByte((tg - g) * w + g);
            px[i + 2] = toByte((tb - b) * w + b);
        }
    });
}

} // namespace quelso::effects
