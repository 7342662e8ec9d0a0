#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/Parallel.h"
#include "core/RasterBuffer.h"
#include "effects/Effects.h"
#include "effects/Resample.h"

namespace quelso::effects {

void twirl(const Bytes& src, std::int64_t width, std::int64_t height, double maxAngle, Bytes& out) {
    ensureRasterSize(out, src.size());
    const std::uint8_t* from = src.data();
    std::uint8_t* to = out.data();
    const double cx = width * 0.5, cy = height * 0.5;
    const double radius = std::min(cx, cy) * 0.95;
    parallelFor(height, rowsPerTask(width), [&](std::int64_t y0, std::int64_t y1) {
        for (std::int64_t y = y0; y < y1; ++y) {
            const std::int64_t row = y * width * 4;
            const double dy = y - cy;
            for (std::int64_t x = 0; x < width; ++x) {
                const double dx = x - cx;
                const double d = std::sqrt(dy * dy + dx * dx);
                if (d < radius) {
                    const double t = 1 - d / radius;
                    const double a = t * (maxAngle * t); // full angle at the centre, none at the rim
                    const double s = std::sin(a), c = std::cos(a);
                    const double sx = (cx + dx * c) - dy * s;
                    const double sy = dy * c + (cy + dx * s);
                    sampleBilinear(from, width, height, sx, sy, to + row + x * 4);
                } else {
                    std::memcpy(to + row + x * 4, from + row + x * 4, 4);
                }
            }
        }
    });
}

Bytes twirl(const Bytes& src, std::int64_t width, std::int64_t height, double maxAngle) {
    Bytes out;
    twirl(src, width, height, maxAngle, out);
    return out;
}

} // namespace quelso::effects
