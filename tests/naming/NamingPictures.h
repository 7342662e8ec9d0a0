#pragma once
// Pictures for naming tests: text set with Pango (so Arabic script is shaped for real)
// and photo-like scenes with no text in them.
#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/PixelImage.h"

namespace quelso::pictures {

// Dark text lines on white, set in the given Pango font description ("DejaVu Sans 30").
PixelImage textPage(const std::vector<std::string>& lines, const std::string& font, int width,
                    int height);

// A landscape without text: a blue sky gradient over noisy green ground with soft blobs.
PixelImage landscape(int width, int height, std::uint64_t seed);

// Draws the lines in a white box at the top-left of the picture, font as for textPage.
void stampText(PixelImage& picture, const std::vector<std::string>& lines, const std::string& font);

// A flat picture of one colour.
PixelImage solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                 std::uint8_t a = 255);

} // namespace quelso::pictures
