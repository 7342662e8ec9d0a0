#pragma once
// The tone, texture and geometric effects of the chain. Filters change R, G, B in place and
// never alpha; geometric passes read the old raster and return a new one of the same size.
#include <array>
#include <cstdint>

#include "core/PixelImage.h"
#include "core/SplitMix64.h"
#include "settings/ProcessingSettings.h"

namespace quelso::effects {

void boxBlur(Bytes& rgba, std::int64_t width, std::int64_t height, std::int64_t radius);
void sharpen(Bytes& rgba, std::int64_t width, std::int64_t height, double intensity);
void colorReplace(Bytes& rgba, RGBColor from, RGBColor to, double tolerance);
void brightnessContrast(Bytes& rgba, double intensity);
void vignette(Bytes& rgba, std::int64_t width, std::int64_t height, double intensity);
void grain(Bytes& rgba, double intensity, SplitMix64& rng);

// The random steps of the chain that live beside the filters.
void colorShift(Bytes& rgba, SplitMix64& rng);

// The colour shift as its three channel tables, drawn when made (six draws), applied to any
// run of pixels: for a caller that fuses it with other per-pixel work.
class ColorShift {
public:
    explicit ColorShift(SplitMix64& rng);
    void apply(std::uint8_t* pixels, std::int64_t count) const;

    // What each value of channel c (0 red, 1 green, 2 blue) becomes: 256 bytes.
    const std::uint8_t* table(int c) const { return table_[static_cast<std::size_t>(c)].data(); }

private:
    std::array<std::array<std::uint8_t, 256>, 3> table_{};
};
void noise(Bytes& rgba, std::int64_t strength, SplitMix64& rng);

struct Pixel {
    std::uint8_t r, g, b, a;
};
Pixel bilinear(const Bytes& src, std::int64_t width, std::int64_t height, double x, double y);

Bytes warp(const Bytes& src, std::int64_t width, std::int64_t height, double amplitude);
Bytes wave(const Bytes& src, std::int64_t width, std::int64_t height, double amplitude);
Bytes twirl(const Bytes& src, std::int64_t width, std::int64_t height, double maxAngle);
Bytes motionBlur(const Bytes& src, std::int64_t width, std::int64_t height, std::int64_t halfLength,
                 double angleDegrees);

// The same passes writing into `out` (not src), whose memory is reused when it already has the
// size: a chain hands back the raster before last and skips faulting in a fresh one each time.
void warp(const Bytes& src, std::int64_t width, std::int64_t height, double amplitude, Bytes& out);
void wave(const Bytes& src, std::int64_t width, std::int64_t height, double amplitude, Bytes& out);
void twirl(const Bytes& src, std::int64_t width, std::int64_t height, double maxAngle, Bytes& out);
void motionBlur(const Bytes& src, std::int64_t width, std::int64_t height, std::int64_t halfLength, double angleDegrees,
                Bytes& out);

} // namespace quelso::effects
