#pragma once
// The bilinear sampler every distortion reads through, and the row/column displacement
// shared by the warp and the wave.
#include <cstdint>
#include <vector>

#include "core/PixelImage.h"
#include "core/PixelMath.h"

namespace quelso::effects {

// One axis of a bilinear sample: the coordinate limited to 0..n-1 (negative and NaN give 0),
// the two neighbouring indices and the fraction between them.
struct Axis {
    std::int64_t i0, i1;
    double f;
};

inline Axis clampAxis(double v, std::int64_t n) {
    const double limit = static_cast<double>(n - 1);
    const double c = v > 0.0 ? (v < limit ? v : limit) : 0.0;
    const auto i0 = static_cast<std::int64_t>(c);
    return {i0, std::min(i0 + 1, n - 1), c - static_cast<double>(i0)};
}

// Two channels side by side (SSE2 registers hold two doubles), so each pair is computed with
// one vector instruction per step; every lane does exactly the scalar operations, in order.
using Pair = double __attribute__((vector_size(16)));
using PairInts = std::int32_t __attribute__((vector_size(8)));
using PairMasks = std::int64_t __attribute__((vector_size(16)));

inline Pair loadPair(const std::uint8_t* p) { return Pair{static_cast<double>(p[0]), static_cast<double>(p[1])}; }

// toByte on both lanes.
inline void storePair(Pair v, std::uint8_t* out) {
    const Pair zero = {0, 0}, top = {255, 255};
    Pair c = v > 0.0 ? v : zero; // NaN gives 0
    c = c < 255.0 ? c : top;
    const PairInts whole = __builtin_convertvector(c, PairInts);
    const PairMasks up = (c - __builtin_convertvector(whole, Pair)) >= 0.5; // -1 where true
    const PairInts rounded = whole - __builtin_convertvector(up, PairInts);
    out[0] = static_cast<std::uint8_t>(rounded[0]);
    out[1] = static_cast<std::uint8_t>(rounded[1]);
}

// Blends four RGBA pixels, each channel rounded on its own, in the order
// top = fx*(p10-p00)+p00, bottom = fx*(p11-p01)+p01, round(top + fy*(bottom-top)).
inline void blend(const std::uint8_t* p00, const std::uint8_t* p10, const std::uint8_t* p01, const std::uint8_t* p11,
                  double fx, double fy, std::uint8_t* out) {
    for (int c = 0; c < 4; c += 2) {
        const Pair a = loadPair(p00 + c), b = loadPair(p10 + c), d = loadPair(p01 + c), e = loadPair(p11 + c);
        const Pair top = fx * (b - a) + a;
        const Pair bottom = fx * (e - d) + d;
        storePair(top + fy * (bottom - top), out + c);
    }
}

// Bilinear sample of an RGBA raster at (x, y), clamped to the raster; writes four bytes.
inline void sampleBilinear(const std::uint8_t* src, std::int64_t width, std::int64_t height, double x, double y,
                           std::uint8_t* out) {
    const Axis ax = clampAxis(x, width), ay = clampAxis(y, height);
    const std::uint8_t* row0 = src + ay.i0 * width * 4;
    const std::uint8_t* row1 = src + ay.i1 * width * 4;
    blend(row0 + ax.i0 * 4, row0 + ax.i1 * 4, row1 + ax.i0 * 4, row1 + ax.i1 * 4, ax.f, ay.f, out);
}

// Output (x, y) = bilinear(src, rowShift[y] + x, columnShift[x] + y): every row moves
// sideways by its own amount and every column up or down by its own.
void displace(const Bytes& src, std::int64_t width, std::int64_t height, const std::vector<double>& rowShift,
              const std::vector<double>& columnShift, Bytes& out);

// shift[i] = amplitude * shape((i * 2pi) / (length / periods)) for i in 0..length-1: a wave
// of `periods` full periods across the length.
std::vector<double> periodicShift(std::int64_t length, double amplitude, double periods, double (*shape)(double));

} // namespace quelso::effects
