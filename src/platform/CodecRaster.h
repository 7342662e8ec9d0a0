#pragma once
// Decoded libvips images turned into the program's raster form: 8-bit sRGB RGBA with
// straight alpha, evaluated straight into a PixelImage.
#include <optional>

#include "core/PixelImage.h"
#include "platform/VipsHandles.h"

namespace quelso::ImageCodec {

// The image's embedded ICC profile, when it has one.
std::optional<Bytes> profileOf(VipsImage* image);

// Builds, lazily, the 4-band 8-bit sRGB straight-alpha form of any decoded image. The colour
// bands go through the embedded profile unless it already describes sRGB; without a usable
// profile libvips' own conversions apply (CMYK through its built-in CMYK profile).
Image toSrgbRgba(VipsImage* in, const std::optional<Bytes>& icc);

// Evaluates a 4-band 8-bit image within the pixel limit into a raster, on libvips' threads;
// the raster takes reuse's memory when it holds enough.
std::optional<PixelImage> render(VipsImage* rgba, Bytes reuse = {});

} // namespace quelso::ImageCodec
