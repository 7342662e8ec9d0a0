#pragma once
// Exact integer division by a divisor fixed for a whole pass, for the running-sum filters.
#include <cstdint>

#include "core/PixelMath.h"

namespace quelso::effects {

// round(sum / count) limited to 0..255, for an odd count below 2^40 and sums of at most 255
// bytes per count, by one multiply. With an odd count the quotient is never a half, and it is
// at least 1 / (2 count) away from one: far more than the error of multiplying by the rounded
// reciprocal (below 2^-42 here), so both round to the same byte.
class RoundedMean {
public:
    explicit RoundedMean(std::int64_t count) : inverse_(1.0 / static_cast<double>(count)) {}
    std::uint8_t operator()(std::uint64_t sum) const { return toByte(static_cast<double>(sum) * inverse_); }
    // For vector code making the same product: it is never a half, so rounding to nearest gives the same byte.
    double inverse() const { return inverse_; }

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
