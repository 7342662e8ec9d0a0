#include <cmath>

#include "effects/Effects.h"
#include "effects/Resample.h"

namespace quelso::effects {

// Six periods each way, a sine for the rows and a cosine for the columns.
void wave(const Bytes& src, std::int64_t width, std::int64_t height, double amplitude, Bytes& out) {
    displace(src, width, height, periodicShift(height, amplitude, 6.0, [](double v) { return std::sin(v); }),
             periodicShift(width, amplitude, 6.0, [](double v) { return std::cos(v); }), out);
}

Bytes wave(const Bytes& src, std::int64_t width, std::int64_t height, double amplitude) {
    Bytes out;
    wave(src, width, height, amplitude, out);
    return out;
}

} // namespace quelso::effects
