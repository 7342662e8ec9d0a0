#pragma once
// A picture's luma on a grid of another size, so two pictures whose sizes differ (a copy
// cropped by a pixel or two) are measured cell against cell.
#include <cstdint>
#include <span>
#include <vector>

#include "core/PixelImage.h"

namespace quelso::LumaGrid {

struct Plane {
    std::vector<double> values; // width * height, rows top to bottom
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// Rec. 601 luma (0.299 R + 0.587 G + 0.114 B) of the picture over black, so the colour of
// fully transparent pixels does not count. Cell (x, y) of the width x height grid is the mean
// of the source pixels from floor(x * W / width) up to, not including, floor((x + 1) * W /
// width), and likewise down; at least one pixel. On a grid of the picture's own size every
// cell is its pixel. width and height are at least 1; a grid larger than the picture repeats pixels.
Plane sample(const PixelImage& image, std::int64_t width, std::int64_t height);

struct Size {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// The same on several grids at once, in one pass over the pixels.
std::vector<Plane> sample(const PixelImage& image, std::span<const Size> sizes);

} // namespace quelso::LumaGrid
