#include <cmath>

#include "effects/Effects.h"
#include "effects/Resample.h"

namespace quelso::effects {

// Three sine periods down the height shift the rows, three across the width the columns.
void warp(const Bytes& src, std::int64_t width, std::int64_t height, double amplitude, Bytes& out) {
    auto sine = [](double v) { return std::sin(v); };
    displace(src, width, height, periodicShift(height, amplitude, 3.0, sine),
             periodicShift(width, amplitude, 3.0, sine), out);
}

Bytes warp(const Bytes& src, std::int64_t width, std::int64_t height, double amplitude) {
    Bytes out;
    warp(src, width, height, amplitude, out);
    return out;
}

} // namespace quelso::effects
