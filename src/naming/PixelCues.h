#pragma once
// Image statistics the scene tagger reads labels from: how much of the picture is sky,
// water, snow, greenery, white page, dark ink, night or warm indoor light, and which
// colour dominates.
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "naming/ImageClassifier.h"

namespace quelso {

// Shares (0-1) of pixels showing each cue. Hues are OpenCV's 0-180 scale.
struct PixelCues {
    double blueSky = 0, duskSky = 0, paleSky = 0; // smooth, within the top 40 % of the picture
    double topValue = 0, bottomValue = 0;         // mean brightness above and below that line
    double water = 0;                             // blue within the bottom 40 %
    double snow = 0;                              // white within the bottom half
    double greenery = 0, white = 0, colourful = 0, warm = 0, flat = 0, dark = 0, deepDark = 0, meanValue = 0, darkEdges = 0;
    std::string dominantColour;
    double dominantShare = 0;
};

// The cues of an 8-bit RGB picture.
PixelCues measureCues(const cv::Mat& rgb);

// The scenes the cues support: document, paper, sky, blue_sky, water, snow, greenery,
// outdoor, night and indoor.
std::vector<Classification> pixelLabels(const PixelCues& cues);

// The dominant colour's name (empty when no colour is clear), its share as confidence.
Classification colourLabel(const PixelCues& cues);

} // namespace quelso
