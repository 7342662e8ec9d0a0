#include "core/Parallel.h"
#include "core/PixelMath.h"
#include "core/RasterBuffer.h"
#include "effects/Resample.h"

namespace quelso::effects {

void displace(const Bytes& src, std::int64_t width, std::int64_t height, const std::vector<double>& rowShift,
              const std::vector<double>& columnShift, Bytes& out) {
    ensureRasterSize(out, src.size());
    const std::uint8_t* from = src.data();
    parallelFor(height, rowsPerTask(width), [&](std::int64_t y0, std::int64_t y1) {
        for (std::int64_t y = y0; y < y1; ++y) {
            std::uint8_t* dst = out.data() + y * width * 4;
            for (std::int64_t x = 0; x < width; ++x)
                sampleBilinear(from, width, height, rowShift[y] + x, columnShift[x] + y, dst + x * 4);
        }
    });
}

std::vector<double> periodicShift(std::int64_t length, double amplitude, double periods, double (*shape)(double)) {
    std::vector<double> shift(static_cast<std::size_t>(length));
    const double period = length / periods;
    for (std::int64_t i = 0; i < length; ++i) shift[i] = amplitude * shape((i * (2 * kPi)) / period);
    return shift;
}

} // namespace quelso::effects
