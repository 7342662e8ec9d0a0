#pragma once
// A 64-bit perceptual hash after the published pHash method: pictures that look alike get
// hashes a few bits apart, whatever their size or file format.
#include <cstdint>

#include "compare/LumaGrid.h"
#include "core/PixelImage.h"

namespace quelso::PerceptualHash {

// The side of the luma grid the hash is taken from.
inline constexpr int kGridSide = 32;

// The luma on a 32 x 32 grid, its 2-D DCT-II, and of that the 8 x 8 block of the lowest
// frequencies after the zero one in each direction (rows and columns 1 to 8): bit
// (v - 1) * 8 + (u - 1) is set when coefficient (u, v) is above the median of the 64.
// The picture has pixels.
std::uint64_t of(const PixelImage& image);

// The same from the picture's luma already on the kGridSide x kGridSide grid.
std::uint64_t of(const LumaGrid::Plane& luma);

// The number of bits in which two hashes differ, 0 to 64.
int distance(std::uint64_t a, std::uint64_t b);

} // namespace quelso::PerceptualHash
