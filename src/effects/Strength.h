#pragma once
// What each effect makes of its 0-1 strength: the parameter the effect takes, absent where that
// parameter would change nothing. The chain, the tests' reference chain and the benchmark all
// read the sliders through this one table.
#include <algorithm>
#include <cstdint>
#include <optional>

#include "core/PixelMath.h"

namespace quelso::effects::strength {

// Lengths beyond the slider's largest smear (22, at strength 1) only stall a run: every
// sample costs a full pass, so they are held there.
inline constexpr std::int64_t kMaxMotionBlurHalfLength = 22;

// Peak displacement in pixels of the three-period sine warp.
inline std::optional<double> warpAmplitude(double s) {
    const double amplitude = s * 3.5;
    return amplitude > 0.05 ? std::optional(amplitude) : std::nullopt;
}

// Peak displacement in pixels of the six-period wave.
inline std::optional<double> waveAmplitude(double s) {
    const double amplitude = s * 12;
    return amplitude > 0.1 ? std::optional(amplitude) : std::nullopt;
}

// Turn at the centre of the twirl, in radians.
inline std::optional<double> twirlAngle(double s) {
    const double angle = s * (kPi / 2);
    return angle > 0.01 ? std::optional(angle) : std::nullopt;
}

// Samples on each side of a pixel along the smear.
inline std::optional<std::int64_t> motionBlurHalfLength(double s) {
    const std::int64_t n = std::min(roundToCount(s * 22), kMaxMotionBlurHalfLength);
    return n >= 1 ? std::optional(n) : std::nullopt;
}

// Radius of the box blur.
inline std::optional<std::int64_t> blurRadius(double s) {
    const std::int64_t r = roundToCount(s * 3);
    return r >= 1 ? std::optional(r) : std::nullopt;
}

// Weight of the difference from the blurred picture added back by the sharpen.
inline double sharpenAmount(double s) { return s * 1.2; }

// The brightness/contrast line: value -> gain * (value - 128) + 128 + offset.
struct ToneLine {
    double gain, offset;
};
inline ToneLine toneLine(double s) { return {1 + s * 0.12, s * 4.0}; }

// Darkening at the corners of the vignette.
inline std::optional<double> vignetteStrength(double s) {
    const double strength = s * 0.55;
    return strength > 0 ? std::optional(strength) : std::nullopt;
}

// Largest step of the grain, up or down, in levels.
inline std::optional<std::int64_t> grainSpan(double s) {
    const std::int64_t n = roundToCount(s * 20);
    return n >= 1 ? std::optional(n) : std::nullopt;
}

} // namespace quelso::effects::strength
