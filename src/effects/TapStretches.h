#pragma once
// How one tap of a slanted smear samples a row: stretches of output pixels that share a fraction.
#include <cstdint>
#include <vector>

#include "effects/Resample.h"

namespace quelso::effects {

// Along one tap of a slanted smear, a stretch of output pixels x in [begin, end) that sample
// source pixels x + offset and x + offset + 1 with one horizontal fraction. The tap's offset
// c * k is the same for every pixel, so the fraction only changes where x + c * k crosses a power
// of two (its rounding changes there) or reaches a clamped edge: a row falls into a few stretches
// and a few single edge pixels, each found by evaluating the sample coordinate exactly as the
// plain sampler does.
struct Stretch {
    std::int64_t begin, end;
    Axis first; // the axis at x = begin; a stretch of one pixel may be any axis
};

std::vector<Stretch> stretchesOfTap(double offset, std::int64_t width);

// The axis of pixel x of a stretch (begin <= x < end).
inline Axis axisAt(const Stretch& stretch, std::int64_t x) {
    if (x == stretch.begin) return stretch.first;
    const std::int64_t i0 = stretch.first.i0 + (x - stretch.begin);
    return {i0, i0 + 1, stretch.first.f};
}

} // namespace quelso::effects
