#pragma once
// Small exact helpers shared by the effects: byte conversion, counts from user values, exact
// integer division by a fixed divisor, and the task sizes handed to parallelFor.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace quelso::effects {

// Pixels per parallel task: big enough that starting a task costs nothing measurable.
constexpr std::int64_t kPixelsPerTask = 1 << 15;

// Rows per parallel task for rows of `width` pixels.
inline std::int64_t rowsPerTask(std::int64_t width) { return std::max<std::int64_t>(1, kPixelsPerTask / width); }

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

// round(sum / count) limited to 0..255, for an odd count below 2^40 and sums of at most 255
// bytes per count, by one multiply. With an odd count the quotient is never a half, and it is
// at least 1 / (2 count) away from one: far more than the error of multiplying by the rounded
// reciprocal (below 2^-42 here), so both round to the same byte.
class RoundedMean {
public:
    explicit RoundedMean(std::int64_t count) : inverse_(1.0 / static_cast<double>(count)) {}
    std::uint8_t operator()(std::uint64_t sum) const { return toByte(static_cast<double>(sum) * inverse_); }

private:
    double inverse_;
};

// n / d truncated, exact for every n < 2^32 and 2 <= d < 2^32, by one multiply-high
// (Lemire, Kaser and Kurz, "Faster remainder by direct computation", 2019).
class Divider {
public:
    explicit Divider(std::uint32_t d) : m_(~std::uint64_t{0} / d + 1) {}
    std::uint32_t operator()(std::uint32_t n) const {
        return static_cast<std::uint32_t>((static_cast<unsigned __int128>(m_) * n) >> 64);
    }

private:
    std::uint64_t m_;
};

} // namespace quelso::effects
