#pragma once
// The picture as the recognizers and classifiers look at it: opaque RGB, transparent
// parts shown over white (as on a page), reduced when larger than they need.
#include <opencv2/core.hpp>

#include "core/PixelImage.h"

namespace quelso {

// 8-bit RGB, longer side at most maxSide (area-averaged when reduced; never enlarged).
cv::Mat opaqueRGB(const PixelImage& picture, int maxSide);

} // namespace quelso
