#include <cmath>
#include <vector>

#include "core/Parallel.h"
#include "core/PixelMath.h"
#include "effects/Effects.h"
#include "effects/Strength.h"

namespace quelso::effects {

void vignette(Bytes& rgba, std::int64_t width, std::int64_t height, double intensity) {
    const std::optional<double> darkening = strength::vignetteStrength(intensity);
    if (!darkening || width < 1 || height < 1) return;
    const double strength = *darkening;
    const double cx = width * 0.5, cy = height * 0.5;
    const double m = std::sqrt(cy * cy + cx * cx);
    // (x - cx)^2 depends on the column only, (y - cy)^2 on the row only.
    std::vector<double> sqX(static_cast<std::size_t>(width));
    for (std::int64_t x = 0; x < width; ++x) sqX[x] = (x - cx) * (x - cx);
    parallelFor(height, rowsPerTask(width), [&](std::int64_t y0, std::int64_t y1) {
        for (std::int64_t y = y0; y < y1; ++y) {
            const double sqY = (y - cy) * (y - cy);
            std::uint8_t* p = rgba.data() + y * width * 4;
            for (std::int64_t x = 0; x < width; ++x, p += 4) {
                const double d = std::sqrt(sqY + sqX[x]) / m;
                const double f = 1 - d * (strength * d);
                p[0] = toByte(f * p[0]);
                p[1] = toByte(f * p[1]);
                p[2] = toByte(f * p[2]);
            }
        }
    });
}

} // namespace quelso::effects
