#pragma once
// The structural similarity (Wang, Bovik, Sheikh and Simoncelli, 2004) of two pictures' luma:
// 1 for the same picture, lower as structure, contrast or brightness part.
#include <cstdint>
#include <optional>

#include "compare/LumaGrid.h"
#include "core/PixelImage.h"

namespace quelso::Ssim {

// Both pictures go onto one grid: the smaller width and height of the two, shrunk by
// max(1, round(shorter side / 256)) as the authors advise for pictures seen whole. The
// figure is the mean over every 8 x 8 window of that grid (smaller when the grid is) of
// (2 mx my + C1)(2 sxy + C2) / ((mx^2 + my^2 + C1)(sx^2 + sy^2 + C2)), with C1 = (0.01 * 255)^2,
// C2 = (0.03 * 255)^2 and window statistics over its pixels with equal weight.
// Absent when either picture has no pixels.
std::optional<double> compare(const PixelImage& a, const PixelImage& b);

// The grid of two pictures of these sizes (each side at least 1).
LumaGrid::Size grid(std::int64_t widthA, std::int64_t heightA, std::int64_t widthB, std::int64_t heightB);

// The figure of two pictures already on their grid; absent when the planes differ in size or are empty.
std::optional<double> compare(const LumaGrid::Plane& x, const LumaGrid::Plane& y);

} // namespace quelso::Ssim
