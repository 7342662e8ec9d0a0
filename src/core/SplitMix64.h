#pragma once
// The pipeline's seeded generator. Its state after k calls of next() is seed + k * gamma,
// which lets a chunk of pixels start drawing at its own offset.
#include <cstdint>

namespace quelso {

struct SplitMix64 {
    static constexpr std::uint64_t gamma = 0x9E3779B97F4A7C15ull;

    std::uint64_t state;

    explicit SplitMix64(std::uint64_t seed) : state(seed) {}

    static std::uint64_t mix(std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t next() {
        state += gamma;
        return mix(state);
    }

    // Skips k draws without computing them.
    void advance(std::uint64_t k) { state += k * gamma; }

    // Uniform in 0..n-1 by multiply-high with rejection; n >= 1.
    std::uint64_t nextBelow(std::uint64_t n) {
        unsigned __int128 m = static_cast<unsigned __int128>(next()) * n;
        std::uint64_t low = static_cast<std::uint64_t>(m);
        if (low < n) {
            const std::uint64_t t = (0 - n) % n;
            while (low < t) {
                m = static_cast<unsigned __int128>(next()) * n;
                low = static_cast<std::uint64_t>(m);
            }
        }
        return static_cast<std::uint64_t>(m >> 64);
    }

    // Integer in the closed range [lo, hi].
    std::int64_t nextInt(std::int64_t lo, std::int64_t hi) {
        const std::uint64_t span = static_cast<std::uint64_t>(hi) - static_cast<std::uint64_t>(lo) + 1;
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(lo) + nextBelow(span));
    }

    // Double in the closed range [lo, hi]; hi itself is reachable.
    double nextDouble(double lo, double hi) {
        constexpr std::uint64_t twoTo53 = 1ull << 53;
        const std::uint64_t r = nextBelow(twoTo53 + 1);
        if (r == twoTo53) return hi;
        const double unit = static_cast<double>(r) * 0x1p-53;
        const double span = hi - lo;
        const double scaled = unit * span;
        return scaled + lo;
    }
};

} // namespace quelso
