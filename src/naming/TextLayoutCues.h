#pragma once
// What the ink of a picture says about its text before anything is read: whether letters
// stand in lines, how tall they are and how far the lines lean.
#include <optional>
#include <vector>

#include <opencv2/core.hpp>

namespace quelso {

// The blobs of an ink mask (ink 255) that are shaped like letters: not specks, rules,
// pictures or a dark desk around the page.
struct LetterBlobs {
    std::vector<int> heights;
    std::vector<cv::Point2d> centres;
};
LetterBlobs letterBlobs(const cv::Mat& ink);

struct TextLines {
    double letterHeight = 0; // the median letter height in pixels
    // Degrees (counter-clockwise positive, within ±15) by which the picture must be turned
    // to make its lines level, or plumb for a page lying on its side.
    double levellingAngle = 0;
    // The lines run up and down: the page lies on its side, its top to the left or right.
    bool onItsSide = false;
};

// Absent when there are too few letters or they stand in no lines, as in the texture of
// grass, gravel or a crowd of windows.
std::optional<TextLines> textLines(const LetterBlobs& letters);

} // namespace quelso
