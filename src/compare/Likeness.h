#pragma once
// SSIM and the perceptual hash distance of a copy against its source, in two halves: what
// they need of the source is taken first, so its raster can go before the copy is decoded.
#include <cstdint>
#include <optional>

#include "compare/LumaGrid.h"
#include "core/PixelImage.h"

namespace quelso::Likeness {

struct Source {
    LumaGrid::Plane ssimGrid; // the source's luma on the grid it shares with a copy of the size given
    std::uint64_t hash = 0;
    std::int64_t copyWidth = 0, copyHeight = 0;
};

struct Figures {
    std::optional<double> ssim;
    int hashDistance = 0;
};

// What the figures need of a source picture with pixels, for a copy copyWidth x copyHeight
// (each at least 1).
Source of(const PixelImage& source, std::int64_t copyWidth, std::int64_t copyHeight);

// The figures of a copy of the size given to of; the same as Ssim::compare and the hash
// distance of the two whole pictures. ssim is absent when the copy has another size.
Figures measure(const Source& source, const PixelImage& copy);

} // namespace quelso::Likeness
