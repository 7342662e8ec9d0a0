#include "naming/PageLight.h"

#include <algorithm>
#include <array>

#include <opencv2/imgproc.hpp>

namespace quelso {

namespace {

// The paper's brightness near each pixel: the brightest value around it, which skips over
// strokes of ink, then smoothed. Measured on a reduced copy: light changes slowly.
cv::Mat paperBrightness(const cv::Mat& gray) {
    const int longest = std::max(gray.cols, gray.rows);
    const double reduction = std::min(1.0, 320.0 / longest);
    cv::Mat small;
    cv::resize(gray, small,
               cv::Size(std::max(1, static_cast<int>(gray.cols * reduction)),
                        std::max(1, static_cast<int>(gray.rows * reduction))),
               0, 0, cv::INTER_AREA);
    const cv::Mat window = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(9, 9));
    cv::dilate(small, small, window);
    cv::GaussianBlur(small, small, cv::Size(0, 0), 4);
    // Dark surroundings are not paper: they keep their darkness rather than being lifted
    // to white along with whatever texture they hold.
    cv::max(small, 96, small);
    cv::Mat full;
    cv::resize(small, full, gray.size(), 0, 0, cv::INTER_LINEAR);
    return full;
}

} // namespace

cv::Mat evenedOut(const cv::Mat& gray) {
    const cv::Mat paper = paperBrightness(gray);
    cv::Mat even;
    cv::divide(gray, paper, even, 255.0, CV_8U);
    // Stretch so that the darkest ink (the 0.5th percentile) becomes black.
    std::array<int, 256> histogram{};
    for (int y = 0; y < even.rows; ++y) {
        const std::uint8_t* row = even.ptr<std::uint8_t>(y);
        for (int x = 0; x < even.cols; ++x) ++histogram[row[x]];
    }
    const double wanted = 0.005 * static_cast<double>(even.total());
    double seen = 0;
    int darkest = 0;
    while (darkest < 255 && (seen += histogram[darkest]) < wanted) ++darkest;
    darkest = std::min(darkest, 160);
    if (darkest > 0) even.convertTo(even, CV_8U, 255.0 / (255 - darkest), -255.0 * darkest / (255 - darkest));
    return even;
}

cv::Mat inkMask(const cv::Mat& gray) {
    // Against the mean of its neighbourhood rather than one threshold for the picture:
    // faint body text sits beside bold headings and shaded bands.
    cv::Mat ink;
    cv::adaptiveThreshold(gray, ink, 255, cv::ADAPTIVE_THRESH_MEAN_C, cv::THRESH_BINARY_INV, 31, 15);
    return ink;
}

} // namespace quelso
