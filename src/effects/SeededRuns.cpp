#include "effects/SeededRuns.h"

#include <algorithm>

namespace quelso::effects {

namespace {

// More rejectable values than this are not worth listing; such bounds run sequentially.
constexpr std::uint64_t kMaxListedRejections = 1 << 16;

constexpr std::uint64_t inverseOdd(std::uint64_t a) {
    std::uint64_t x = a; // right to 3 bits; each Newton step doubles that
    for (int i = 0; i < 5; ++i) x *= 2 - a * x;
    return x;
}

constexpr std::uint64_t kGammaInverse = inverseOdd(SplitMix64::gamma);

// Undoes SplitMix64::mix: each xorshift and each odd multiplier is a bijection of 64-bit values.
constexpr std::uint64_t unmix(std::uint64_t z) {
    z ^= (z >> 31) ^ (z >> 62);
    z *= inverseOdd(0x94D049BB133111EBull);
    z ^= (z >> 27) ^ (z >> 54);
    z *= inverseOdd(0xBF58476D1CE4E5B9ull);
    z ^= (z >> 30) ^ (z >> 60);
    return z;
}

static_assert(SplitMix64::gamma * kGammaInverse == 1);

std::uint64_t rejectionThreshold(std::uint64_t bound) { return (0 - bound) % bound; }

} // namespace

bool rejectionsPredictable(std::uint64_t bound) {
    return bound % 2 == 1 && rejectionThreshold(bound) <= kMaxListedRejections;
}

std::optional<std::uint64_t> firstRejectedDraw(std::uint64_t state, std::uint64_t bound, std::uint64_t draws) {
    const std::uint64_t t = rejectionThreshold(bound);
    const std::uint64_t inverseBound = inverseOdd(bound);
    std::optional<std::uint64_t> first;
    for (std::uint64_t low = 0; low < t; ++low) {
        // The one draw value whose product with the bound has these low 64 bits, the state
        // that yields it, and the index of the draw that reaches that state (state + (k+1)*gamma).
        const std::uint64_t value = low * inverseBound;
        const std::uint64_t k = (unmix(value) - state) * kGammaInverse - 1;
        if (k < draws && (!first || k < *first)) first = k;
    }
    return first;
}

} // namespace quelso::effects
