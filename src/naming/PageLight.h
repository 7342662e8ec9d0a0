#pragma once
// Paper photographed under a lamp is brighter on one side than the other, tinted and low in
// contrast. Dividing by the paper's own brightness makes it evenly white, so that one
// threshold separates ink from paper everywhere.
#include <opencv2/core.hpp>

namespace quelso {

// An 8-bit gray picture with its slowly varying light divided out and the ink stretched to
// full contrast. Dark regions (a desk around the page, a night scene) stay dark.
cv::Mat evenedOut(const cv::Mat& gray);

// Ink (255) where a pixel is clearly darker than the ground around it, 0 elsewhere.
cv::Mat inkMask(const cv::Mat& gray);

} // namespace quelso
