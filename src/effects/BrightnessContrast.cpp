#include <array>

#include "core/Parallel.h"
#include "core/PixelMath.h"
#include "effects/Effects.h"
#include "effects/Strength.h"

namespace quelso::effects {

void brightnessContrast(Bytes& rgba, double intensity) {
    const auto [gain, offset] = strength::toneLine(intensity);
    std::array<std::uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c) table[c] = toByte(((gain * (c - 128)) + 128) + offset);
    std::uint8_t* px = rgba.data();
    parallelFor(static_cast<std::int64_t>(rgba.size() / 4), kPixelsPerTask, [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t i = begin * 4; i < end * 4; i += 4) {
            px[i] = table[px[i]];
            px[i + 1] = table[px[i + 1]];
            px[i + 2] = table[px[i + 2]];
        }
    });
}

} // namespace quelso::effects
