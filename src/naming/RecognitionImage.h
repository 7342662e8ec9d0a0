#pragma once
// The picture as Tesseract reads it best. A page of text (letters standing in lines) is
// evened out in light, turned so that its lines are level and scaled so that its letters
// are about as tall as in a 300 dpi scan of print: Tesseract misreads letters only a few
// pixels high and slows down on huge ones. Any other picture (a photo, perhaps with a
// sign in it) is read as plain gray at a reduced size, where texture costs less time.
#include <opencv2/core.hpp>

#include "core/PixelImage.h"
#include "naming/RecognitionLimits.h"

namespace quelso {

struct RecognitionImage {
    cv::Mat gray;           // 8-bit; empty for a malformed raster
    bool isPage = false;    // letters stand in lines
    bool onItsSide = false; // a page whose lines run up and down (levelled plumb)
};

RecognitionImage recognitionImage(const PixelImage& picture, const RecognitionLimits& limits = {});

} // namespace quelso
