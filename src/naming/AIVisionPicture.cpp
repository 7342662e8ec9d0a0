// The picture as the providers receive it: reduced, opaque, JPEG, base64.
#include <algorithm>

#include <opencv2/imgproc.hpp>

#include "core/Alpha.h"
#include "naming/AIVision.h"
#include "platform/ImageCodec.h"

namespace quelso::AIVision {

namespace {

constexpr int jpegQuality = 70;

std::string base64Encode(const std::vector<std::uint8_t>& bytes) {
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        text += alphabet[(group >> 18) & 63];
        text += alphabet[(group >> 12) & 63];
        text += alphabet[(group >> 6) & 63];
        text += alphabet[group & 63];
    }
    if (const std::size_t rest = bytes.size() - i; rest > 0) {
        const std::uint32_t group = (bytes[i] << 16) | (rest == 2 ? bytes[i + 1] << 8 : 0);
        text += alphabet[(group >> 18) & 63];
        text += alphabet[(group >> 12) & 63];
        text += rest == 2 ? alphabet[(group >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

} // namespace

std::pair<std::int64_t, std::int64_t> scaledSize(std::int64_t width, std::int64_t height, int maxDim) {
    const double scale = std::min(static_cast<double>(maxDim) / static_cast<double>(std::max(width, height)), 1.0);
    return {std::max<std::int64_t>(1, static_cast<std::int64_t>(static_cast<double>(width) * scale)),
            std::max<std::int64_t>(1, static_cast<std::int64_t>(static_cast<double>(height) * scale))};
}

std::optional<std::string> jpegBase64(const PixelImage& picture, int maxDim) {
    if (maxDim <= 0 || !isWellFormed(picture)) return std::nullopt;
    const auto [width, height] = scaledSize(picture.width, picture.height, maxDim);
    try {
        // The JPEG has no alpha: translucent parts are drawn over black, as onto a fresh
        // bitmap without an alpha channel.
        cv::Mat bgr(static_cast<int>(picture.height), static_cast<int>(picture.width), CV_8UC3);
        const std::uint8_t* in = picture.rgba.data();
        for (int y = 0; y < bgr.rows; ++y) {
            cv::Vec3b* out = bgr.ptr<cv::Vec3b>(y);
            for (int x = 0; x < bgr.cols; ++x, in += 4)
                for (int c = 0; c < 3; ++c) out[x][2 - c] = premultiplied(in[c], in[3]);
        }
        if (width != picture.width || height != picture.height)
            cv::resize(bgr, bgr, cv::Size(static_cast<int>(width), static_cast<int>(height)), 0, 0, cv::INTER_AREA);
        // The codec service writes the JPEG: OpenCV's own codecs would load some 140 libraries
        // into every run of the program for this one picture.
        Bytes rgb;
        rgb.reserve(bgr.total() * 3);
        for (int y = 0; y < bgr.rows; ++y) {
            const cv::Vec3b* row = bgr.ptr<cv::Vec3b>(y);
            for (int x = 0; x < bgr.cols; ++x) rgb.insert(rgb.end(), {row[x][2], row[x][1], row[x][0]});
        }
        const std::optional<Bytes> jpeg =
            ImageCodec::encode(rgb.data(), 3, bgr.cols, bgr.rows, ImageCodec::SaveFormat::jpeg, jpegQuality);
        if (!jpeg || jpeg->empty()) return std::nullopt;
        return base64Encode(*jpeg);
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
}

} // namespace quelso::AIVision
