#pragma once
// The end of the chain in one sweep, for a chain in which nothing between its per-pixel steps
// draws from the generator or paints: the colour shift, the invisible watermark's bits, and
// forceChange or the count of changed pixels, block by block while each block is in cache.
#include "core/PixelImage.h"
#include "effects/Effects.h"
#include "watermark/Watermark.h"

namespace quelso::ImageProcessor {

struct FinishingPass {
    const effects::ColorShift* shift = nullptr; // the colour shift, when on
    const Watermark::Embedding* mark = nullptr; // the invisible watermark, when its record fits
    bool force = false;                         // forceChange; else the changed pixels are counted
};

// Runs the pass over raster, comparing with original, or with raster's own pixels as they were
// when original is null (the input worked on in place). Returns the changed share, 0 to 100:
// exactly 100 after forceChange.
double finish(Bytes& raster, const Bytes* original, const FinishingPass& pass);

// The pass over `count` pixels from pixel number `first` of the picture, rgba pointing at them
// and original at the same pixels of the input, or null when rgba holds them as they were.
// Returns how many changed.
std::int64_t finishPixels(std::uint8_t* rgba, const std::uint8_t* original, std::int64_t first, std::int64_t count,
                          const FinishingPass& pass);

// finish's result from the changed pixels counted in a picture of `pixels` pixels.
double changedShare(std::int64_t changed, std::int64_t pixels, const FinishingPass& pass);

} // namespace quelso::ImageProcessor
