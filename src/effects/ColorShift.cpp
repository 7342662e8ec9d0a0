#include "core/Parallel.h"
#include "core/PixelMath.h"
#include "effects/Effects.h"

namespace quelso::effects {

ColorShift::ColorShift(SplitMix64& rng) {
    std::array<double, 3> gain{}, offset{};
    for (double& g : gain) g = rng.nextDouble(0.99, 1.01);
    for (double& o : offset) o = rng.nextDouble(-1.5, 1.5);
    // Each channel maps 256 values through one fixed formula: tabulate it once.
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) table_[c][v] = toByte(offset[c] + gain[c] * v);
}

void ColorShift::apply(std::uint8_t* pixels, std::int64_t count) const {
    // Locals stay in registers; byte stores could alias anything reached by reference.
    std::uint8_t* const px = pixels;
    const std::uint8_t* const red = table_[0].data();
    const std::uint8_t* const green = table_[1].data();
    const std::uint8_t* const blue = table_[2].data();
    for (std::int64_t i = 0; i < count * 4; i += 4) {
        px[i] = red[px[i]];
        px[i + 1] = green[px[i + 1]];
        px[i + 2] = blue[px[i + 2]];
    }
}

void colorShift(Bytes& rgba, SplitMix64& rng) {
    const ColorShift shift(rng);
    std::uint8_t* const pixels = rgba.data();
    parallelFor(static_cast<std::int64_t>(rgba.size() / 4), kPixelsPerTask,
                [&](std::int64_t begin, std::int64_t end) { shift.apply(pixels + begin * 4, end - begin); });
}

} // namespace quelso::effects
