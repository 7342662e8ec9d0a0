#pragma once
// The exact rounding every pixel formula ends in, counts from user values, and pi.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace quelso {

inline constexpr double kPi = 3.141592653589793;

// round(v) with halves away from zero, then limited to 0..255; NaN gives 0. Limiting first
// gives the same byte, and c - whole is exact for 0 <= c <= 255, so this equals clamping
// std::round(v) without the library call or a branch the compiler cannot turn into selects.
inline std::uint8_t toByte(double v) {
    const double c = v > 0.0 ? (v < 255.0 ? v : 255.0) : 0.0;
    const int whole = static_cast<int>(c);
    return static_cast<std::uint8_t>(whole + (c - whole >= 0.5 ? 1 : 0));
}

inline std::uint8_t clampByte(std::int64_t v) { return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 255)); }

// clamp(c + d) to 0..255 for any 64-bit offset d, without overflow.
inline std::uint8_t addClamped(std::uint8_t c, std::int64_t d) {
    return clampByte(c + std::clamp<std::int64_t>(d, -255, 255));
}

// round(v) with halves away from zero as an integer count: NaN gives 0, values beyond the
// 64-bit range saturate, so user intensities of any size convert without overflow.
inline std::int64_t roundToCount(double v) {
    const double r = std::round(v);
    if (std::isnan(r)) return 0;
    if (r >= 0x1p63) return std::numeric_limits<std::int64_t>::max();
    if (r < -0x1p63) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(r);
}

} // namespace quelso
