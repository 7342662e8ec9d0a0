#include "core/OpaqueRgb.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define QUELSO_SSSE3 __attribute__((target("ssse3")))
#endif

namespace quelso {
namespace {

constexpr std::uint32_t kOpaque = std::endian::native == std::endian::little ? 0xFF000000u : 0x000000FFu;

// Each pixel's three bytes and the next one's first as one word, the fourth byte set to 255;
// the last pixel on its own, not to read past the row.
void widenPlain(const std::uint8_t* rgb, std::size_t pixels, std::uint8_t* rgba) {
    if (pixels == 0) return;
    std::size_t x = 0;
    for (; x + 1 < pixels; ++x) {
        std::uint32_t word;
        std::memcpy(&word, rgb + x * 3, 4);
        word |= kOpaque;
        std::memcpy(rgba + x * 4, &word, 4);
    }
    std::memcpy(rgba + x * 4, rgb + x * 3, 3);
    rgba[x * 4 + 3] = 255;
}

std::size_t packPlain(const std::uint8_t* rgba, std::size_t pixels, std::uint8_t* rgb) {
    std::size_t x = 0;
    for (; x < pixels && rgba[x * 4 + 3] == 255; ++x) {
        rgb[x * 3] = rgba[x * 4];
        rgb[x * 3 + 1] = rgba[x * 4 + 1];
        rgb[x * 3 + 2] = rgba[x * 4 + 2];
    }
    return x;
}

#if defined(__x86_64__)
// Four pixels a step with one byte shuffle; the rest plainly. Widening reads 16 bytes for 12,
// so it stops while 16 are left to read.
QUELSO_SSSE3 void widenShuffled(const std::uint8_t* rgb, std::size_t pixels, std::uint8_t* rgba) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    std::size_t x = 0;
    for (; x + 6 <= pixels; x += 4) {
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + x * 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rgba + x * 4), _mm_or_si128(_mm_shuffle_epi8(in, spread), alpha));
    }
    widenPlain(rgb + x * 3, pixels - x, rgba + x * 4);
}

// Writes 12 bytes a step, 8 then 4: never past the packed end, never over pixels not yet read.
QUELSO_SSSE3 std::size_t packShuffled(const std::uint8_t* rgba, std::size_t pixels, std::uint8_t* rgb) {
    const __m128i gather = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m128i alphas = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    std::size_t x = 0;
    for (; x + 4 <= pixels; x += 4) {
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgba + x * 4));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(in, alphas), alphas)) != 0xFFFF) break;
        const __m128i packed = _mm_shuffle_epi8(in, gather);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(rgb + x * 3), packed);
        const std::uint32_t last = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 8)));
        std::memcpy(rgb + x * 3 + 8, &last, 4);
    }
    return x + packPlain(rgba + x * 4, pixels - x, rgb + x * 3);
}

bool shuffles() {
    static const bool supported = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
    return supported;
}
#endif

} // namespace

void widenToRgba(const std::uint8_t* rgb, std::size_t pixels, std::uint8_t* rgba) {
#if defined(__x86_64__)
    if (shuffles()) return widenShuffled(rgb, pixels, rgba);
#endif
    widenPlain(rgb, pixels, rgba);
}

std::size_t packOpaqueRun(const std::uint8_t* rgba, std::size_t pixels, std::uint8_t* rgb) {
#if defined(__x86_64__)
    if (shuffles()) return packShuffled(rgba, pixels, rgb);
#endif
    return packPlain(rgba, pixels, rgb);
}

} // namespace quelso
