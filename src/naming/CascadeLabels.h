#pragma once
// People, faces and cats found by OpenCV's stock Haar cascades.
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "naming/ImageClassifier.h"

namespace quelso {

// face, portrait, person, people and cat labels for an 8-bit RGB picture; cascadeFolder holds
// the haarcascade_*.xml files, and a missing one finds nothing.
std::vector<Classification> detectionLabels(const std::string& cascadeFolder, const cv::Mat& rgb);

} // namespace quelso
