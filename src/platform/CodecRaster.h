#pragma once
// Decoded libvips images turned into the program's raster form: 8-bit sRGB RGBA with
// straight alpha, evaluated straight into a PixelImage.
#include <optional>

#include "core/PixelImage.h"
#include "platform/VipsHandles.h"

namespace quelso::ImageCodec {

// The image's embedded ICC profile, when it has one.
std::optional<Bytes> profileOf(VipsImage* image);

// Builds, lazily, the 8-bit sRGB form of any decoded image: 3 bands when it has no alpha,
// else 4 with straight alpha. The colour bands go through the embedded profile unless it
// already describes sRGB; without a usable profile libvips' own conversions apply (CMYK
// through its built-in CMYK profile).
Image toSrgb(VipsImage* in, const std::optional<Bytes>& icc);

// True for a 3- or 4-band 8-bit image within the pixel limit.
bool renderable(const VipsImage* srgb);

// Evaluates a 3- or 4-band 8-bit image within the pixel limit into an RGBA raster (opaque
// when it had 3), on libvips' threads; the raster takes reuse's memory when it holds enough.
std::optional<PixelImage> render(VipsImage* srgb, Bytes reuse = {});

} // namespace quelso::ImageCodec
