#include "effects/Effects.h"
#include "effects/Resample.h"

namespace quelso::effects {

Pixel bilinear(const Bytes& src, std::int64_t width, std::int64_t height, double x, double y) {
    std::uint8_t out[4];
    sampleBilinear(src.data(), width, height, x, y, out);
    return {out[0], out[1], out[2], out[3]};
}

} // namespace quelso::effects
