#pragma once
// Vector kernels for runs of bilinear samples that share both fractions, the bulk of a slanted
// motion blur: the samples are worked out in single precision and come out as the plain
// sampler's bytes.
#include <cstdint>

namespace quelso::effects {

// Output pixel j (0 <= j < pixels) blends source pixels j and j + 1 of two rows with the
// fractions fx and fy. Each row is given as floats (four channels per pixel) with each
// channel's step to the pixel on its right, and as the bytes the floats came from.
struct SampleRun {
    const float *top, *topSteps, *bottom, *bottomSteps;
    const std::uint8_t *topBytes, *bottomBytes;
    double fx, fy;
    std::int64_t pixels;
};

// A processor's vector kernels. widen sets values[i] = bytes[i] and steps[i] = bytes[i + 4] - bytes[i]
// for i < count (reading count + 4 bytes): rows in the form runs read. add adds each sample's four
// rounded channels to sums[4j] .. sums[4j + 3].
struct SampleKernel {
    void (*widen)(const std::uint8_t* bytes, std::int64_t count, float* values, float* steps);
    void (*add)(const SampleRun& run, float* sums);
};

// The widest kernel this processor runs within the lane limit, or null where it has none.
const SampleKernel* sampleKernel();

// Caps the kernel's width at 16, 8 or 1 float lanes (1: none), so that every kernel can be
// checked on a machine that runs a wider one.
void limitSampleLanes(int lanes);

} // namespace quelso::effects
