#include <vector>

#include "core/PixelMath.h"
#include "effects/BoxBlurRows.h"
#include "effects/Effects.h"
#include "effects/Strength.h"

namespace quelso::effects {

void sharpen(Bytes& rgba, std::int64_t width, std::int64_t height, double intensity) {
    const double k = strength::sharpenAmount(intensity);
    // Amount 0 gives round(0 * (c - b) + c) = c everywhere.
    if (width < 1 || height < 1 || k == 0) return;
    // The result depends only on the channel value c and its blurred value b: tabulate.
    std::vector<std::uint8_t> table(256 * 256);
    for (int c = 0; c < 256; ++c)
        for (int b = 0; b < 256; ++b) table[c * 256 + b] = toByte(k * (c - b) + c);
    streamBoxBlur(rgba, width, height, 1, [&](std::int64_t y, const std::uint8_t* blurred) {
        std::uint8_t* row = rgba.data() + y * width * 4;
        for (std::int64_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) row[x * 4 + c] = table[row[x * 4 + c] * 256 + blurred[x * 3 + c]];
    });
}

} // namespace quelso::effects
