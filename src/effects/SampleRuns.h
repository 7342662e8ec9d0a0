#pragma once
// Vector kernels for the bulk of a slanted motion blur: runs of bilinear samples, each tap's run
// with its own pair of fractions, worked out in single precision and rounded to exactly the
// bytes the plain sampler gives.
#include <cstdint>

#include "effects/ExactDivision.h"

namespace quelso::effects {

// One tap's samples along a run of output pixels: pixel j blends source pixels j and j + 1 of
// two rows with the fractions fx and fy. Each row is given in the kernel's float form (four
// channels per pixel, made by its widen) and as the bytes the floats came from.
struct TapRow {
    const float *top, *topSteps, *bottom, *bottomSteps;
    const std::uint8_t *topBytes, *bottomBytes;
    double fx, fy;
};

// A processor's vector kernels. widen turns `count` channels of a row of bytes into the float
// form: values (offset as the kernel's rounding needs) and their steps to the pixel on the right;
// it reads count + 4 bytes. add adds, for every pixel j < pixels, the rounded samples of all
// `count` taps to sums[4j] .. sums[4j + 3]. means sets out[i] = mean(sums[i]) for i < count, the
// sums being whole numbers.
struct SampleKernel {
    void (*widen)(const std::uint8_t* bytes, std::int64_t count, float* values, float* steps);
    void (*add)(const TapRow* taps, std::int64_t count, std::int64_t pixels, float* sums);
    void (*means)(const float* sums, std::int64_t count, const RoundedMean& mean, std::uint8_t* out);
};

// The widest kernel this processor runs within the lane limit, or null where it has none.
const SampleKernel* sampleKernel();

// Caps the kernel's width at 16, 8 or 1 float lanes (1: none), so that every kernel can be
// checked on a machine that runs a wider one.
void limitSampleLanes(int lanes);

} // namespace quelso::effects
