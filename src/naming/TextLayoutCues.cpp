#include "naming/TextLayoutCues.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include <opencv2/imgproc.hpp>

namespace quelso {

namespace {

constexpr std::size_t lettersNeeded = 20;
constexpr double largestLean = 15.0;
constexpr double leanStep = 0.25;
// Letters in lines gather far more sharply at the right angle than at a typical one.
constexpr double linesStandOut = 2.4;

// How sharply the letters gather into lines tilted by the angle: with the lines running
// along the bins, each bin of a line holds many letters and the gaps hold none, so the
// sum of squared counts is largest. bins is scratch space covering every position.
double lineSharpness(const LetterBlobs& letters, double degrees, bool plumb, double binWidth, std::vector<int>& bins) {
    const double radians = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(radians), s = std::sin(radians);
    std::fill(bins.begin(), bins.end(), 0);
    const long middle = static_cast<long>(bins.size() / 2);
    for (const cv::Point2d& p : letters.centres) {
        const double across = plumb ? p.x * c + p.y * s : p.y * c - p.x * s;
        ++bins[static_cast<std::size_t>(std::lround(across / binWidth) + middle)];
    }
    double sum = 0;
    for (int count : bins) sum += static_cast<double>(count) * count;
    return sum;
}

} // namespace

LetterBlobs letterBlobs(const cv::Mat& ink) {
    LetterBlobs letters;
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(ink, labels, stats, centroids, 8, CV_32S);
    for (int i = 1; i < count; ++i) {
        const int width = stats.at<int>(i, cv::CC_STAT_WIDTH), height = stats.at<int>(i, cv::CC_STAT_HEIGHT);
        const int area = stats.at<int>(i, cv::CC_STAT_AREA);
        // Letters are small, neither hairlines nor long rules, and partly filled.
        if (height < 5 || height > ink.rows / 6 || width > 3 * height || height > 6 * width) continue;
        const double fill = static_cast<double>(area) / (static_cast<double>(width) * height);
        if (fill < 0.12 || fill > 0.9) continue;
        letters.heights.push_back(height);
        letters.centres.emplace_back(centroids.at<double>(i, 0), centroids.at<double>(i, 1));
    }
    return letters;
}

std::optional<TextLines> textLines(const LetterBlobs& letters) {
    if (letters.heights.size() < lettersNeeded) return std::nullopt;
    std::vector<int> heights = letters.heights;
    const auto middle = heights.begin() + static_cast<std::ptrdiff_t>(heights.size() / 2);
    std::nth_element(heights.begin(), middle, heights.end());
    TextLines lines{static_cast<double>(*middle), 0, false};

    const double binWidth = std::max(1.0, lines.letterHeight / 3);
    double reach = 0; // no centre lies farther than this from the origin along any direction
    for (const cv::Point2d& p : letters.centres) reach = std::max(reach, std::abs(p.x) + std::abs(p.y));
    std::vector<int> bins(2 * static_cast<std::size_t>(reach / binWidth + 2) + 1);
    std::vector<double> sharpness;
    double best = 0;
    for (bool plumb : {false, true}) {
        for (double degrees = -largestLean; degrees <= largestLean + 1e-9; degrees += leanStep) {
            sharpness.push_back(lineSharpness(letters, degrees, plumb, binWidth, bins));
            if (sharpness.back() > best) {
                best = sharpness.back();
                lines.levellingAngle = degrees;
                lines.onItsSide = plumb;
            }
        }
    }
    const auto typical = sharpness.begin() + static_cast<std::ptrdiff_t>(sharpness.size() / 2);
    std::nth_element(sharpness.begin(), typical, sharpness.end());
    if (!(best > linesStandOut * *typical)) return std::nullopt;
    return lines;
}

} // namespace quelso
