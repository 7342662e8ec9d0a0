#include "pipeline/FinishingPass.h"

#include <algorithm>
#include <cstring>

#include "core/Parallel.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace quelso::ImageProcessor {
namespace {

// The four bytes of pixel i as one word, to compare whole pixels at once.
std::uint32_t pixelWord(const std::uint8_t* rgba, std::int64_t i) {
    std::uint32_t word;
    std::memcpy(&word, rgba + i * 4, 4);
    return word;
}

// One pixel of shiftAndCount; true when the shift left it as it was.
bool shiftOne(std::uint8_t* p, const std::uint8_t* const table[3], bool force) {
    const std::uint8_t r = table[0][p[0]], g = table[1][p[1]], b = table[2][p[2]];
    const bool same = r == p[0] && g == p[1] && b == p[2];
    p[0] = force && same ? r ^ 0x02 : r;
    p[1] = g;
    p[2] = b;
    return same;
}

#if defined(__x86_64__)
#define QUELSO_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// A 256-entry byte table looked up for all 64 bytes at once: two 128-byte permutes, the top
// bit of each index choosing between them.
struct ByteTable {
    __m512i quarter[4];
};

QUELSO_VBMI ByteTable loadTable(const std::uint8_t* table) {
    ByteTable t;
    for (int q = 0; q < 4; ++q) t.quarter[q] = _mm512_loadu_si512(table + q * 64);
    return t;
}

QUELSO_VBMI __attribute__((always_inline)) inline __m512i lookUp(const ByteTable& t, __m512i index) {
    const __m512i low = _mm512_permutex2var_epi8(t.quarter[0], index, t.quarter[1]);
    const __m512i high = _mm512_permutex2var_epi8(t.quarter[2], index, t.quarter[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high);
}

// Sixteen pixels a step: each channel's table over the whole vector, kept where the vector holds
// that channel; the rest one by one. Returns how many pixels it did and adds their changes.
QUELSO_VBMI std::int64_t shiftSixteens(std::uint8_t* rgba, std::int64_t count, const std::uint8_t* const table[3],
                                       bool force, std::int64_t& changed) {
    const ByteTable red = loadTable(table[0]), green = loadTable(table[1]), blue = loadTable(table[2]);
    constexpr __mmask64 greens = 0x2222222222222222ull, blues = 0x4444444444444444ull, alphas = 0x8888888888888888ull;
    const __m512i flip = _mm512_set1_epi32(0x02);
    std::int64_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m512i old = _mm512_loadu_si512(rgba + i * 4);
        __m512i shifted = lookUp(red, old);
        shifted = _mm512_mask_blend_epi8(greens, shifted, lookUp(green, old));
        shifted = _mm512_mask_blend_epi8(blues, shifted, lookUp(blue, old));
        shifted = _mm512_mask_blend_epi8(alphas, shifted, old);
        const __mmask16 same = _mm512_cmpeq_epi32_mask(shifted, old);
        if (force) shifted = _mm512_mask_xor_epi32(shifted, same, shifted, flip);
        _mm512_storeu_si512(rgba + i * 4, shifted);
        changed += 16 - __builtin_popcount(same);
    }
    return i;
}

bool hasVbmi() {
    static const bool supported =
        (__builtin_cpu_init(), __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                                   __builtin_cpu_supports("avx512vbmi"));
    return supported;
}
#endif

// The pass without a watermark over pixels that hold their own old values: whether the shift
// left a pixel as it was is seen in the shift itself, so no copy of the old values is needed.
std::int64_t shiftAndCount(std::uint8_t* rgba, std::int64_t count, const FinishingPass& pass) {
    if (!pass.shift) {
        if (pass.force)
            for (std::int64_t i = 0; i < count; ++i) rgba[i * 4] ^= 0x02;
        return 0;
    }
    const std::uint8_t* const table[3] = {pass.shift->table(0), pass.shift->table(1), pass.shift->table(2)};
    std::int64_t changed = 0, i = 0;
#if defined(__x86_64__)
    if (hasVbmi()) i = shiftSixteens(rgba, count, table, pass.force, changed);
#endif
    for (; i < count; ++i) changed += !shiftOne(rgba + i * 4, table, pass.force);
    return changed;
}

} // namespace

std::int64_t finishPixels(std::uint8_t* rgba, const std::uint8_t* original, std::int64_t first, std::int64_t count,
                          const FinishingPass& pass) {
    if (!original && !pass.mark) return shiftAndCount(rgba, count, pass);
    constexpr std::int64_t kBlock = 1024;
    std::uint8_t kept[kBlock * 4]; // a block's pixels as they were, when nothing else holds them
    std::int64_t changed = 0;
    for (std::int64_t done = 0; done < count; done += kBlock) {
        const std::int64_t n = std::min(kBlock, count - done);
        std::uint8_t* const px = rgba + done * 4;
        const std::uint8_t* const old = original ? original + done * 4 : kept;
        if (!original) std::memcpy(kept, px, static_cast<std::size_t>(n) * 4);
        if (pass.shift) pass.shift->apply(px, n);
        if (pass.mark) pass.mark->apply(px, first + done, n);
        for (std::int64_t i = 0; i < n; ++i) {
            const bool same = pixelWord(px, i) == pixelWord(old, i);
            if (pass.force && same) px[i * 4] ^= 0x02; // bit 0 may carry the watermark; bit 1 does not
            changed += !same;
        }
    }
    return changed;
}

double finish(Bytes& raster, const Bytes* original, const FinishingPass& pass) {
    const auto pixels = static_cast<std::int64_t>(raster.size() / 4);
    if (pixels == 0) return 0.0;
    std::uint8_t* const data = raster.data();
    const std::uint8_t* const before = original ? original->data() : nullptr;
    const std::int64_t changed = parallelSum(pixels, kPixelsPerTask, [&](std::int64_t begin, std::int64_t end) {
        return finishPixels(data + begin * 4, before ? before + begin * 4 : nullptr, begin, end - begin, pass);
    });
    return changedShare(changed, pixels, pass);
}

double changedShare(std::int64_t changed, std::int64_t pixels, const FinishingPass& pass) {
    if (pixels == 0) return 0.0;
    return pass.force ? 100.0 : static_cast<double>(changed) / static_cast<double>(pixels) * 100.0;
}

} // namespace quelso::ImageProcessor
