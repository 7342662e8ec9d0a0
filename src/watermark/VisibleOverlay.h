#pragma once
// The faint visible watermark: the content repeated over the whole picture, turned 30 degrees
// clockwise, at a low global opacity.
#include <cstdint>

#include "core/PixelImage.h"
#include "settings/WatermarkContent.h"

namespace quelso::Watermark {

// Text is drawn in rows of white bold lettering, an image as a grid of tiles; the pattern
// depends only on the content and the raster's size, never on its pixels. The opacity is
// used as given. Image content that does not decode draws nothing.
void applyVisibleOverlay(Bytes& rgba, std::int64_t width, std::int64_t height, const WatermarkContent& content,
                         double opacity);

} // namespace quelso::Watermark
