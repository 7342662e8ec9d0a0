#include "naming/RecognitionImage.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <opencv2/imgproc.hpp>

#include "naming/OpaqueRGB.h"
#include "naming/PageLight.h"
#include "naming/TextLayoutCues.h"

namespace quelso {

namespace {

cv::Mat scaledBy(const cv::Mat& gray, double scale) {
    if (std::abs(scale - 1.0) < 0.02) return gray;
    cv::Mat scaled;
    cv::resize(gray, scaled,
               cv::Size(std::max(1, static_cast<int>(std::lround(gray.cols * scale))),
                        std::max(1, static_cast<int>(std::lround(gray.rows * scale)))),
               0, 0, scale < 1 ? cv::INTER_AREA : cv::INTER_CUBIC);
    return scaled;
}

double fittingScale(const cv::Mat& gray, double pixels) {
    return std::min(1.0, std::sqrt(pixels / static_cast<double>(gray.total())));
}

// Turned about its centre, on a canvas that holds all of it; the corners brought in are
// paper white.
cv::Mat turned(const cv::Mat& page, double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    const double c = std::abs(std::cos(radians)), s = std::abs(std::sin(radians));
    const cv::Size size(static_cast<int>(std::ceil(page.cols * c + page.rows * s)),
                        static_cast<int>(std::ceil(page.cols * s + page.rows * c)));
    cv::Mat turn = cv::getRotationMatrix2D(cv::Point2f(page.cols / 2.0f, page.rows / 2.0f), degrees, 1.0);
    turn.at<double>(0, 2) += size.width / 2.0 - page.cols / 2.0;
    turn.at<double>(1, 2) += size.height / 2.0 - page.rows / 2.0;
    cv::Mat result;
    cv::warpAffine(page, result, turn, size, cv::INTER_CUBIC, cv::BORDER_CONSTANT, cv::Scalar(255));
    return result;
}

} // namespace

RecognitionImage recognitionImage(const PixelImage& picture, const RecognitionLimits& limits) {
    if (!isWellFormed(picture)) return {};
    cv::Mat gray;
    cv::cvtColor(opaqueRGB(picture, limits.sourceSide), gray, cv::COLOR_RGB2GRAY);

    const double analysedScale =
        std::min(1.0, limits.analysedSide / static_cast<double>(std::max(gray.cols, gray.rows)));
    cv::Mat analysed = evenedOut(scaledBy(gray, analysedScale));
    // Noise in a photo breaks thin strokes apart; a slight blur keeps letters whole.
    cv::GaussianBlur(analysed, analysed, cv::Size(0, 0), 1.0);
    const auto lines = textLines(letterBlobs(inkMask(analysed)));
    if (!lines) return {scaledBy(gray, fittingScale(gray, limits.photoPixels)), false, false};

    const double letterHeight = lines->letterHeight / analysedScale;
    const double scale =
        std::min(limits.letterHeight / letterHeight, std::sqrt(limits.pagePixels / static_cast<double>(gray.total())));
    const cv::Mat page = scaledBy(evenedOut(gray), scale);
    // Tesseract copes with a slight lean by itself.
    return {std::abs(lines->levellingAngle) < 0.5 ? page : turned(page, lines->levellingAngle), true, lines->onItsSide};
}

} // namespace quelso
