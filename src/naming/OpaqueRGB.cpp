#include "naming/OpaqueRGB.h"

#include <algorithm>

#include <opencv2/imgproc.hpp>

namespace quelso {

cv::Mat opaqueRGB(const PixelImage& picture, int maxSide) {
    const cv::Mat rgba(static_cast<int>(picture.height), static_cast<int>(picture.width), CV_8UC4,
                       const_cast<std::uint8_t*>(picture.rgba.data()));
    cv::Mat rgb(rgba.rows, rgba.cols, CV_8UC3);
    bool opaque = true;
    for (std::size_t i = 3; i < picture.rgba.size() && opaque; i += 4) opaque = picture.rgba[i] == 255;
    if (opaque) {
        cv::cvtColor(rgba, rgb, cv::COLOR_RGBA2RGB);
    } else {
        const std::uint8_t* in = picture.rgba.data();
        for (int y = 0; y < rgb.rows; ++y) {
            cv::Vec3b* out = rgb.ptr<cv::Vec3b>(y);
            for (int x = 0; x < rgb.cols; ++x, in += 4) {
                const int alpha = in[3];
                for (int c = 0; c < 3; ++c)
                    out[x][c] = static_cast<std::uint8_t>((in[c] * alpha + 255 * (255 - alpha) + 127) / 255);
            }
        }
    }
    const int longest = std::max(rgb.cols, rgb.rows);
    if (longest <= maxSide) return rgb;
    const double scale = static_cast<double>(maxSide) / longest;
    cv::Mat reduced;
    cv::resize(
        rgb, reduced,
        cv::Size(std::max(1, static_cast<int>(rgb.cols * scale)), std::max(1, static_cast<int>(rgb.rows * scale))), 0,
        0, cv::INTER_AREA);
    return reduced;
}

} // namespace quelso
