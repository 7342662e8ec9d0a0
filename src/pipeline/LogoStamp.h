#pragma once
// One visible copy of the user's logo at the bottom centre of the picture.
#include <cstdint>

#include "core/PixelImage.h"

namespace quelso::ImageProcessor {

// Draws the logo (file bytes in any format the loader reads) into the straight-alpha raster:
// sizePercent of the picture's width wide (at least one pixel, aspect kept), centred, its
// bottom edge marginPercent of the picture's height above the bottom edge, at the opacity
// limited to 0..1. Bytes that do not decode leave the raster untouched.
void stampLogo(Bytes& rgba, std::int64_t width, std::int64_t height, const Bytes& png, double sizePercent,
               double opacity, double marginPercent);

} // namespace quelso::ImageProcessor
