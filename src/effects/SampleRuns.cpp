#include "effects/SampleRuns.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

// GCC 12 takes the deliberately undefined vectors inside its AVX-512 intrinsics for uninitialised ones.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace quelso::effects {

namespace {

std::atomic<int> laneLimit{16};

#if defined(__x86_64__)
// The single-precision sample against the plain sampler's double one, for bytes a, b, d, e and
// fractions in [0, 1). Every value involved has a magnitude below 256 (a blend never leaves the
// range of its ends), where rounding a float costs at most 2^-17 and a double 2^-45. Making the
// fractions floats moves them by at most 2^-25, which moves a blend of bytes by at most
// 2^-25 * 256 = 2^-17. So top and bottom are each off by less than 2^-17 + 2^-17 (the fused
// multiply-add rounds once) + 2^-44 (the doubles), their difference by less than
// 2^-15 + 2^-17 + 2^-42, and v = top + fy * (bottom - top) by less than
//   2^-17 (fy) + 2^-15 + 2^-17 (the difference) + 2^-16 (top) + 2^-17 (the last rounding) + 2^-40,
// that is 9 * 2^-17 + 2^-40 < kMargin (with fy = 0, v is top and only its error counts). The float
// form holds each byte less kShift (exactly, in 21 bits), so a sample comes out as u = v - kShift.
// Where u - ceil(u) is below -2 * kMargin, u lies in (ceil(u) - 1, ceil(u) - 2 * kMargin), so v lies
// more than kMargin inside (ceil(u) - 0.5, ceil(u) + 0.5), the double within kMargin of it, and both
// round to ceil(u). Any other sample is near a half and is redone exactly: rarely, but halves are
// real, not only rounding noise (a fraction of exactly 0.5 between bytes of odd difference gives one).
constexpr float kMargin = 0x1p-13f;
constexpr float kShift = 0.5f + kMargin;

// means from channel i on, one channel at a time.
void meansFrom(std::int64_t i, const float* sums, std::int64_t count, const RoundedMean& mean, std::uint8_t* out) {
    for (; i < count; ++i) out[i] = mean(static_cast<std::uint32_t>(sums[i]));
}

// Taps with a fraction of 0 need less work for the same bytes: with fy = 0 the plain sampler's
// v = top + 0 * (bottom - top) is top, and with fx = 0 its top = 0 * (b - a) + a is a and its
// bottom is d.
enum class Shape { Slanted, Flat, Upright };

#define QUELSO_WIDE __attribute__((target("avx512f,avx512dq,fma")))
#define QUELSO_AVX2 __attribute__((target("avx2,fma")))

// The four channels of an RGBA pixel as doubles.
QUELSO_AVX2 __attribute__((always_inline)) inline __m256d widenPixel(const std::uint8_t* pixel) {
    std::int32_t v;
    std::memcpy(&v, pixel, 4);
    return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(v)));
}

// Turns the rounded float samples of `count` lanes (four a pixel, from the tap's pixel `first` on)
// into corrections: the exact sample minus the rounded one on the pixels with a lane set in
// `near`, 0 elsewhere. Each lane does blend's operations in its order (no fused multiply-add).
// The tap comes by value, so the kernels' own copy of it never escapes and stays in registers.
QUELSO_AVX2 void correctNearHalves(TapRow tap, std::int64_t first, unsigned near, float* lanes, int count) {
    const __m256d fx = _mm256_set1_pd(tap.fx), fy = _mm256_set1_pd(tap.fy);
    for (int l = 0; l < count; l += 4, near >>= 4) {
        __m128 correction = _mm_setzero_ps();
        if ((near & 0xF) != 0) {
            const std::uint8_t* p = tap.topBytes + (first + l / 4) * 4;
            const std::uint8_t* q = tap.bottomBytes + (first + l / 4) * 4;
            const __m256d a = widenPixel(p), b = widenPixel(p + 4), d = widenPixel(q), e = widenPixel(q + 4);
            const __m256d upper = _mm256_add_pd(_mm256_mul_pd(fx, _mm256_sub_pd(b, a)), a);
            const __m256d lower = _mm256_add_pd(_mm256_mul_pd(fx, _mm256_sub_pd(e, d)), d);
            const __m256d v = _mm256_add_pd(upper, _mm256_mul_pd(fy, _mm256_sub_pd(lower, upper)));
            // toByte: a blend stays within 0..255, so only the whole part and the half are left.
            const __m256d whole = _mm256_floor_pd(v);
            const __m256d up = _mm256_and_pd(_mm256_cmp_pd(_mm256_sub_pd(v, whole), _mm256_set1_pd(0.5), _CMP_GE_OQ),
                                             _mm256_set1_pd(1.0));
            correction = _mm_sub_ps(_mm256_cvtpd_ps(_mm256_add_pd(whole, up)), _mm_loadu_ps(lanes + l));
        }
        _mm_storeu_ps(lanes + l, correction);
    }
}

QUELSO_AVX2 __attribute__((always_inline)) inline __m256 floats8(const std::uint8_t* bytes) {
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes))));
}

// The float form for both kernels: the wide one gains nothing measurable from its own.
QUELSO_AVX2 void widenRow(const std::uint8_t* bytes, std::int64_t count, float* values, float* steps) {
    std::int64_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 here = floats8(bytes + i);
        _mm256_storeu_ps(values + i, _mm256_sub_ps(here, _mm256_set1_ps(kShift)));
        _mm256_storeu_ps(steps + i, _mm256_sub_ps(floats8(bytes + i + 4), here));
    }
    for (; i < count; ++i) {
        values[i] = bytes[i] - kShift;
        steps[i] = static_cast<float>(bytes[i + 4] - bytes[i]);
    }
}

// One tap's samples on V vectors of 16 lanes from lane at on (only `lanes` of each) added to acc.
template <int V, Shape S>
QUELSO_WIDE __attribute__((always_inline)) inline void addTap16(const TapRow& tap, std::int64_t at,
                                                                const __mmask16* lanes, __m512* acc) {
    const __m512 fx = _mm512_set1_ps(static_cast<float>(tap.fx)), fy = _mm512_set1_ps(static_cast<float>(tap.fy));
#pragma GCC unroll 4
    for (int j = 0; j < V; ++j, at += 16) {
        const __m512 top = _mm512_maskz_loadu_ps(lanes[j], tap.top + at);
        __m512 u =
            S == Shape::Upright ? top : _mm512_fmadd_ps(fx, _mm512_maskz_loadu_ps(lanes[j], tap.topSteps + at), top);
        if (S != Shape::Flat) {
            const __m512 bottom = _mm512_maskz_loadu_ps(lanes[j], tap.bottom + at);
            const __m512 lower =
                S == Shape::Upright
                    ? bottom
                    : _mm512_fmadd_ps(fx, _mm512_maskz_loadu_ps(lanes[j], tap.bottomSteps + at), bottom);
            u = _mm512_fmadd_ps(fy, _mm512_sub_ps(lower, u), u);
        }
        const __m512 below = _mm512_reduce_ps(u, _MM_FROUND_TO_POS_INF | _MM_FROUND_NO_EXC); // u - ceil(u)
        const __m512 whole = _mm512_sub_ps(u, below);
        acc[j] = _mm512_add_ps(acc[j], whole);
        const __mmask16 near = _mm512_mask_cmp_ps_mask(lanes[j], below, _mm512_set1_ps(-2 * kMargin), _CMP_GE_OQ);
        if (near != 0) [[unlikely]] {
            float corrections[16];
            _mm512_storeu_ps(corrections, whole);
            correctNearHalves(tap, at / 4, near, corrections, 16);
            acc[j] = _mm512_add_ps(acc[j], _mm512_loadu_ps(corrections));
        }
    }
}

// V vectors of 16 lanes from lane i on (the last one only on `last`), every tap added in turn
// while the sums stay in registers.
template <int V>
QUELSO_WIDE __attribute__((always_inline)) inline void addBlock16(const TapRow* taps, std::int64_t count,
                                                                  std::int64_t i, __mmask16 last, float* sums) {
    __mmask16 lanes[V];
    __m512 acc[V];
#pragma GCC unroll 4
    for (int j = 0; j < V; ++j) {
        lanes[j] = j + 1 < V ? 0xFFFF : last;
        acc[j] = _mm512_maskz_loadu_ps(lanes[j], sums + i + 16 * j);
    }
    for (std::int64_t t = 0; t < count; ++t) {
        const TapRow tap = taps[t];
        if (tap.fy == 0)
            addTap16<V, Shape::Flat>(tap, i, lanes, acc);
        else if (tap.fx == 0)
            addTap16<V, Shape::Upright>(tap, i, lanes, acc);
        else
            addTap16<V, Shape::Slanted>(tap, i, lanes, acc);
    }
#pragma GCC unroll 4
    for (int j = 0; j < V; ++j) _mm512_mask_storeu_ps(sums + i + 16 * j, lanes[j], acc[j]);
}

QUELSO_WIDE void addTaps16(const TapRow* taps, std::int64_t count, std::int64_t pixels, float* sums) {
    const std::int64_t lanes = pixels * 4;
    std::int64_t i = 0;
    for (; i + 64 <= lanes; i += 64) addBlock16<4>(taps, count, i, 0xFFFF, sums);
    for (; i < lanes; i += 16)
        addBlock16<1>(taps, count, i, lanes - i >= 16 ? 0xFFFF : static_cast<__mmask16>((1u << (lanes - i)) - 1), sums);
}

// The product in doubles as RoundedMean makes it, rounded to nearest (it is never a half).
QUELSO_WIDE __attribute__((always_inline)) inline __m256i roundedMeans8(__m256 sums, __m512d inverse) {
    return _mm512_cvt_roundpd_epi32(_mm512_mul_pd(_mm512_cvtps_pd(sums), inverse),
                                    _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
}

QUELSO_WIDE void means16(const float* sums, std::int64_t count, const RoundedMean& mean, std::uint8_t* out) {
    const __m512d inverse = _mm512_set1_pd(mean.inverse());
    std::int64_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m512 s = _mm512_loadu_ps(sums + i);
        const __m512i whole =
            _mm512_inserti64x4(_mm512_castsi256_si512(roundedMeans8(_mm512_castps512_ps256(s), inverse)),
                               roundedMeans8(_mm512_extractf32x8_ps(s, 1), inverse), 1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm512_cvtusepi32_epi8(whole));
    }
    meansFrom(i, sums, count, mean, out);
}

// Eight lanes at p, or with Half only the first four.
template <bool Half>
QUELSO_AVX2 __attribute__((always_inline)) inline __m256 load8(const float* p) {
    return Half ? _mm256_maskload_ps(p, _mm256_setr_epi32(-1, -1, -1, -1, 0, 0, 0, 0)) : _mm256_loadu_ps(p);
}

// The same on eight lanes; with Half, on one vector of which only the first pixel is used.
template <int V, bool Half, Shape S>
QUELSO_AVX2 __attribute__((always_inline)) inline void addTap8(const TapRow& tap, std::int64_t at, __m256* acc) {
    const __m256 fx = _mm256_set1_ps(static_cast<float>(tap.fx)), fy = _mm256_set1_ps(static_cast<float>(tap.fy));
#pragma GCC unroll 4
    for (int j = 0; j < V; ++j, at += 8) {
        const __m256 top = load8<Half>(tap.top + at);
        __m256 u = S == Shape::Upright ? top : _mm256_fmadd_ps(fx, load8<Half>(tap.topSteps + at), top);
        if (S != Shape::Flat) {
            const __m256 bottom = load8<Half>(tap.bottom + at);
            const __m256 lower =
                S == Shape::Upright ? bottom : _mm256_fmadd_ps(fx, load8<Half>(tap.bottomSteps + at), bottom);
            u = _mm256_fmadd_ps(fy, _mm256_sub_ps(lower, u), u);
        }
        const __m256 whole = _mm256_round_ps(u, _MM_FROUND_TO_POS_INF | _MM_FROUND_NO_EXC);
        acc[j] = _mm256_add_ps(acc[j], whole);
        const __m256 near = _mm256_cmp_ps(_mm256_sub_ps(u, whole), _mm256_set1_ps(-2 * kMargin), _CMP_GE_OQ);
        if (const unsigned flagged = _mm256_movemask_ps(near) & (Half ? 0xF : 0xFF); flagged != 0) [[unlikely]] {
            float corrections[8];
            _mm256_storeu_ps(corrections, whole);
            correctNearHalves(tap, at / 4, flagged, corrections, 8);
            acc[j] = _mm256_add_ps(acc[j], _mm256_loadu_ps(corrections));
        }
    }
}

template <int V, bool Half>
QUELSO_AVX2 __attribute__((always_inline)) inline void addBlock8(const TapRow* taps, std::int64_t count, std::int64_t i,
                                                                 float* sums) {
    __m256 acc[V];
#pragma GCC unroll 4
    for (int j = 0; j < V; ++j) acc[j] = load8<Half>(sums + i + 8 * j);
    for (std::int64_t t = 0; t < count; ++t) {
        const TapRow tap = taps[t];
        if (tap.fy == 0)
            addTap8<V, Half, Shape::Flat>(tap, i, acc);
        else if (tap.fx == 0)
            addTap8<V, Half, Shape::Upright>(tap, i, acc);
        else
            addTap8<V, Half, Shape::Slanted>(tap, i, acc);
    }
#pragma GCC unroll 4
    for (int j = 0; j < V; ++j) {
        if (Half)
            _mm256_maskstore_ps(sums + i + 8 * j, _mm256_setr_epi32(-1, -1, -1, -1, 0, 0, 0, 0), acc[j]);
        else
            _mm256_storeu_ps(sums + i + 8 * j, acc[j]);
    }
}

QUELSO_AVX2 __attribute__((always_inline)) inline __m128i roundedMeans4(__m128 sums, __m256d inverse) {
    return _mm256_cvtpd_epi32(_mm256_mul_pd(_mm256_cvtps_pd(sums), inverse)); // to nearest, as MXCSR is
}

QUELSO_AVX2 void means8(const float* sums, std::int64_t count, const RoundedMean& mean, std::uint8_t* out) {
    const __m256d inverse = _mm256_set1_pd(mean.inverse());
    std::int64_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i words = _mm_packus_epi32(roundedMeans4(_mm_loadu_ps(sums + i), inverse),
                                               roundedMeans4(_mm_loadu_ps(sums + i + 4), inverse));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
    }
    meansFrom(i, sums, count, mean, out);
}

QUELSO_AVX2 void addTaps8(const TapRow* taps, std::int64_t count, std::int64_t pixels, float* sums) {
    const std::int64_t lanes = pixels * 4;
    std::int64_t i = 0;
    for (; i + 32 <= lanes; i += 32) addBlock8<4, false>(taps, count, i, sums);
    for (; i + 8 <= lanes; i += 8) addBlock8<1, false>(taps, count, i, sums);
    if (i < lanes) addBlock8<1, true>(taps, count, i, sums);
}
#endif

} // namespace

const SampleKernel* sampleKernel() {
#if defined(__x86_64__)
    static const SampleKernel sixteen{widenRow, addTaps16, means16}, eight{widenRow, addTaps8, means8};
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
