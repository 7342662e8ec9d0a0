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

} // namespace quelso::ImageProcessor
