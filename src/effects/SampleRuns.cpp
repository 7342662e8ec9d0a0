#include "effects/SampleRuns.h"

#include <algorithm>
#include <atomic>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "effects/Resample.h"

namespace quelso::effects {

namespace {

std::atomic<int> laneLimit{16};

// The single-precision sample against the plain sampler's double one, for bytes a, b, d, e and
// fractions in [0, 1). Every value involved lies within 0..255 (a blend never leaves the range of
// its ends), where rounding a float costs at most 2^-17 and a double 2^-45. Making the fractions
// floats moves them by at most 2^-25, which moves a blend of bytes by at most 2^-25 * 255 < 2^-17.
// So top and bottom are each off by less than 2^-17 + 2^-17 (the fused multiply-add rounds
// once) plus the doubles' 2^-44, their difference by twice that plus one more rounding, below
// 2^-15 + 2^-17 + 2^-42, and v = top + fy * (bottom - top) by at most
//   2^-17 (fy) + 2^-15 + 2^-17 (the difference) + 2^-16 (top) + 2^-17 (the last rounding) + 2^-40,
// below 9 * 2^-17 < 2^-13. Where the float lies more than kMargin = 2^-12 from a half, the double
// lies on the same side of it and both round to the same whole number; the rest are done again
// exactly. Ties are real, not only rounding noise: with a fraction of exactly 0.5 between bytes
// of odd difference they are common.
constexpr float kMargin = 0x1p-12f;
constexpr float kNearHalf = 0.5f - kMargin;

// Adds pixel j's exact sample (the plain sampler's bytes).
void addExact(const SampleRun& run, std::int64_t j, float* sums) {
    const std::uint8_t* p = run.topBytes + j * 4;
    const std::uint8_t* q = run.bottomBytes + j * 4;
    std::uint8_t sample[4];
    blend(p, p + 4, q, q + 4, run.fx, run.fy, sample);
    for (int ch = 0; ch < 4; ++ch) sums[j * 4 + ch] += sample[ch];
}

// Replaces the rounded float samples of pixels first, first + 1, ... (four lanes each) that have a
// lane set in `near` by their exact ones. (The run comes by value, so the kernels' own copy of it
// never escapes and stays in registers.)
void redoNearHalves(SampleRun run, std::int64_t first, unsigned near, const float* rounded, float* sums) {
    for (std::int64_t j = first; near != 0; ++j, near >>= 4, rounded += 4) {
        if ((near & 0xF) == 0) continue;
        for (int ch = 0; ch < 4; ++ch) sums[j * 4 + ch] -= rounded[ch];
        addExact(run, j, sums);
    }
}

// widen from channel i on, one channel at a time.
void widenFrom(std::int64_t i, const std::uint8_t* bytes, std::int64_t count, float* values, float* steps) {
    for (; i < count; ++i) {
        values[i] = bytes[i];
        steps[i] = static_cast<float>(bytes[i + 4] - bytes[i]);
    }
}

#if defined(__x86_64__)
#define QUELSO_WIDE __attribute__((target("avx512f,avx512dq,fma")))

// Four pixels' 16 channels from float index i, only the lanes in `lanes`.
QUELSO_WIDE __attribute__((always_inline)) inline void add16(const SampleRun& run, __m512 fx, __m512 fy, std::int64_t i,
                                                             __mmask16 lanes, float* sums) {
    const __m512 upper =
        _mm512_fmadd_ps(fx, _mm512_maskz_loadu_ps(lanes, run.topSteps + i), _mm512_maskz_loadu_ps(lanes, run.top + i));
    const __m512 lower = _mm512_fmadd_ps(fx, _mm512_maskz_loadu_ps(lanes, run.bottomSteps + i),
                                         _mm512_maskz_loadu_ps(lanes, run.bottom + i));
    const __m512 v = _mm512_fmadd_ps(fy, _mm512_sub_ps(lower, upper), upper);
    const __m512 off = _mm512_reduce_ps(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC); // v - round(v)
    const __m512 whole = _mm512_sub_ps(v, off);
    _mm512_mask_storeu_ps(sums + i, lanes, _mm512_add_ps(_mm512_maskz_loadu_ps(lanes, sums + i), whole));
    const __mmask16 near = _mm512_mask_cmp_ps_mask(lanes, _mm512_abs_ps(off), _mm512_set1_ps(kNearHalf), _CMP_GE_OQ);
    if (near != 0) [[unlikely]] {
        float rounded[16];
        _mm512_storeu_ps(rounded, whole);
        redoNearHalves(run, i / 4, near, rounded, sums);
    }
}

// Bytes i .. i + 15 as floats. (The masked forms keep GCC 12 from warning about the
// undefined vectors inside the plain ones.)
QUELSO_WIDE __attribute__((always_inline)) inline __m512 floats16(const std::uint8_t* bytes) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    return _mm512_maskz_cvtepi32_ps(0xFFFF, _mm512_maskz_cvtepu8_epi32(0xFFFF, b));
}

QUELSO_WIDE void widen16(const std::uint8_t* bytes, std::int64_t count, float* values, float* steps) {
    std::int64_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m512 here = floats16(bytes + i);
        _mm512_storeu_ps(values + i, here);
        _mm512_storeu_ps(steps + i, _mm512_sub_ps(floats16(bytes + i + 4), here));
    }
    widenFrom(i, bytes, count, values, steps);
}

QUELSO_WIDE void addRun16(const SampleRun& given, float* sums) {
    const SampleRun run = given;
    const __m512 fx = _mm512_set1_ps(static_cast<float>(run.fx)), fy = _mm512_set1_ps(static_cast<float>(run.fy));
    const std::int64_t count = run.pixels * 4;
    std::int64_t i = 0;
    for (; i + 16 <= count; i += 16) add16(run, fx, fy, i, 0xFFFF, sums);
    if (i < count) add16(run, fx, fy, i, static_cast<__mmask16>((1u << (count - i)) - 1), sums);
}

__attribute__((target("avx2,fma"))) void widen8(const std::uint8_t* bytes, std::int64_t count, float* values,
                                                float* steps) {
    std::int64_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 here =
            _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + i))));
        const __m256 next =
            _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + i + 4))));
        _mm256_storeu_ps(values + i, here);
        _mm256_storeu_ps(steps + i, _mm256_sub_ps(next, here));
    }
    widenFrom(i, bytes, count, values, steps);
}

// The same on eight lanes, two pixels; an odd last pixel is done exactly.
__attribute__((target("avx2,fma"))) void addRun8(const SampleRun& given, float* sums) {
    const SampleRun run = given;
    const __m256 fx = _mm256_set1_ps(static_cast<float>(run.fx)), fy = _mm256_set1_ps(static_cast<float>(run.fy));
    const __m256 nearHalf = _mm256_set1_ps(kNearHalf), magnitude = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    const std::int64_t count = run.pixels * 4;
    std::int64_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 upper = _mm256_fmadd_ps(fx, _mm256_loadu_ps(run.topSteps + i), _mm256_loadu_ps(run.top + i));
        const __m256 lower = _mm256_fmadd_ps(fx, _mm256_loadu_ps(run.bottomSteps + i), _mm256_loadu_ps(run.bottom + i));
        const __m256 v = _mm256_fmadd_ps(fy, _mm256_sub_ps(lower, upper), upper);
        const __m256 whole = _mm256_round_ps(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
        const __m256 off = _mm256_and_ps(_mm256_sub_ps(v, whole), magnitude);
        _mm256_storeu_ps(sums + i, _mm256_add_ps(_mm256_loadu_ps(sums + i), whole));
        const int near = _mm256_movemask_ps(_mm256_cmp_ps(off, nearHalf, _CMP_GE_OQ));
        if (near != 0) [[unlikely]] {
            float rounded[8];
            _mm256_storeu_ps(rounded, whole);
            redoNearHalves(run, i / 4, static_cast<unsigned>(near), rounded, sums);
        }
    }
    if (i < count) addExact(run, i / 4, sums);
}
#endif

} // namespace

const SampleKernel* sampleKernel() {
#if defined(__x86_64__)
    static const SampleKernel sixteen{widen16, addRun16}, eight{widen8, addRun8};
    static const int widest =
        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("fma") ? 16
        : __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")                                        ? 8
                                                                                                                 : 1;
    const int lanes = std::min(widest, laneLimit.load(std::memory_order_relaxed));
    if (lanes >= 16) return &sixteen;
    if (lanes >= 8) return &eight;
#endif
    return nullptr;
}

void limitSampleLanes(int lanes) { laneLimit.store(lanes, std::memory_order_relaxed); }

} // namespace quelso::effects
