#pragma once
// Image fixtures written through libvips, independently of the encoders under test.
#include <string>

#include "TestSupport.h"

namespace quelso::test {

// Writes a raster to an image file through libvips; the saver is chosen by the extension and
// `options` are libvips save options such as "[Q=90,strip]". With pageHeight > 0 the raster
// holds pages of that height stacked top to bottom, saved as one multi-page file (GIF, TIFF).
// 1 or 2 bands are grey (plus alpha), 3 or 4 sRGB (plus alpha). Returns false on failure.
bool writeImage(const std::string& path, const Bytes& pixels, int width, int height, int bands,
                const std::string& options = {}, int pageHeight = 0);

} // namespace quelso::test
