#include "effects/TapStretches.h"

namespace quelso::effects {

std::vector<Stretch> stretchesOfTap(double offset, std::int64_t width) {
    std::vector<Stretch> stretches;
    for (std::int64_t x = 0; x < width; ++x) {
        const Axis ax = clampAxis(offset + x, width);
        if (!stretches.empty()) {
            Stretch& last = stretches.back();
            const std::int64_t shift = last.first.i0 - last.begin;
            if (last.first.i1 == last.first.i0 + 1 && ax.i1 == ax.i0 + 1 && ax.i0 - x == shift &&
                ax.f == last.first.f) {
                last.end = x + 1;
                continue;
            }
        }
        stretches.push_back({x, x + 1, ax});
    }
    return stretches;
}

} // namespace quelso::effects
