#include "naming/PixelCues.h"

#include <algorithm>
#include <array>

#include <opencv2/imgproc.hpp>

namespace quelso {

namespace {

// The clear colours, in alphabetical order: of two equal shares the first is dominant.
enum Colour { black, blue, gray, green, orange, pink, purple, red, teal, white, yellow, colourCount, noColour };
constexpr const char* kColourNames[colourCount] = {"black",  "blue", "gray", "green", "orange", "pink",
                                                   "purple", "red",  "teal", "white", "yellow"};

Colour colourOf(const cv::Vec3b& hsv) {
    const int h = hsv[0], s = hsv[1], v = hsv[2];
    if (v < 40) return black;
    if (s < 30) return v >= 215 ? white : gray;
    if (s < 70 || v < 70) return noColour; // muted: no clear colour
    if (h < 10 || h >= 170) return red;
    if (h < 22) return orange;
    if (h < 34) return yellow;
    if (h < 85) return green;
    if (h < 100) return teal;
    if (h < 130) return blue;
    if (h < 150) return purple;
    return pink;
}

} // namespace

PixelCues measureCues(const cv::Mat& rgb) {
    cv::Mat hsv, gray, gradX, gradY;
    cv::cvtColor(rgb, hsv, cv::COLOR_RGB2HSV);
    cv::cvtColor(rgb, gray, cv::COLOR_RGB2GRAY);
    cv::Sobel(gray, gradX, CV_16S, 1, 0);
    cv::Sobel(gray, gradY, CV_16S, 0, 1);

    PixelCues cues;
    const int skyRows = std::max(1, rgb.rows * 2 / 5);
    const int snowFrom = rgb.rows / 2, waterFrom = rgb.rows - skyRows;
    const double total = static_cast<double>(rgb.rows) * rgb.cols;
    const double skyTotal = static_cast<double>(skyRows) * rgb.cols;
    const double snowTotal = static_cast<double>(rgb.rows - snowFrom) * rgb.cols;
    std::array<double, colourCount> colours{};
    double valueSum = 0, darkPixels = 0;
    for (int y = 0; y < rgb.rows; ++y) {
        const cv::Vec3b* row = hsv.ptr<cv::Vec3b>(y);
        const std::int16_t* gx = gradX.ptr<std::int16_t>(y);
        const std::int16_t* gy = gradY.ptr<std::int16_t>(y);
        for (int x = 0; x < rgb.cols; ++x) {
            const int h = row[x][0], s = row[x][1], v = row[x][2];
            const bool smooth = std::abs(gx[x]) + std::abs(gy[x]) < 48;
            const bool edge = std::abs(gx[x]) + std::abs(gy[x]) > 160;
            const bool blue = h >= 90 && h < 130 && s >= 40;
            valueSum += v;
            if (smooth) cues.flat += 1;
            (y < skyRows ? cues.topValue : cues.bottomValue) += v;
            if (y < skyRows && smooth) {
                if (blue && v >= 100)
                    cues.blueSky += 1;
                else if (blue && s >= 60 && v >= 35) // the deep blue of evening
                    cues.duskSky += 1;
                else if (s < 35 && v >= 170)
                    cues.paleSky += 1;
            }
            // Water ripples where sky is smooth.
            if (y >= waterFrom && !smooth && h >= 85 && h < 130 && s >= 40 && v >= 50) cues.water += 1;
            if (y >= snowFrom && s < 30 && v >= 190) cues.snow += 1;
            if (h >= 33 && h < 85 && s >= 50 && v >= 40) cues.greenery += 1;
            if (s < 30 && v >= 200) cues.white += 1;
            if (s >= 70 && v >= 70) {
                cues.colourful += 1;
                if (h < 30 || h >= 165) cues.warm += 1;
            }
            if (v < 110) {
                darkPixels += 1;
                if (edge) cues.darkEdges += 1;
            }
            if (v < 50) cues.deepDark += 1;
            if (const Colour colour = colourOf(row[x]); colour != noColour) colours[colour] += 1;
        }
    }
    cues.blueSky /= skyTotal;
    cues.duskSky /= skyTotal;
    cues.paleSky /= skyTotal;
    cues.water /= skyTotal; // the bottom band is as tall as the top one
    cues.snow = snowTotal > 0 ? cues.snow / snowTotal : 0;
    cues.greenery /= total;
    cues.white /= total;
    cues.colourful /= total;
    cues.warm /= total;
    cues.flat /= total;
    cues.dark = darkPixels / total;
    cues.deepDark /= total;
    cues.meanValue = valueSum / total;
    cues.topValue /= skyTotal;
    cues.bottomValue = rgb.rows > skyRows ? cues.bottomValue / (total - skyTotal) : cues.topValue;
    cues.darkEdges = darkPixels > 0 ? cues.darkEdges / darkPixels : 0;
    for (int colour = 0; colour < colourCount; ++colour) {
        if (colours[colour] / total > cues.dominantShare) {
            cues.dominantShare = colours[colour] / total;
            cues.dominantColour = kColourNames[colour];
        }
    }
    return cues;
}

Classification colourLabel(const PixelCues& cues) {
    return {cues.dominantColour, clampedConfidence(cues.dominantShare)};
}

std::vector<Classification> pixelLabels(const PixelCues& cues) {
    std::vector<Classification> labels;
    // A page: mostly white, a little dark ink with sharp edges, hardly any colour.
    const bool documentLike =
        cues.white >= 0.55 && cues.dark >= 0.002 && cues.dark <= 0.3 && cues.darkEdges >= 0.15 && cues.colourful < 0.05;
    if (documentLike) {
        const float confidence = clampedConfidence(0.55 + 0.8 * (cues.white - 0.55));
        labels.push_back({"document", confidence});
        labels.push_back({"paper", confidence * 0.9f});
    }
    // White pages and studio backdrops are bright and flat too: pale sky counts only beside
    // blue sky or above a clearly darker ground.
    const bool paleIsSky = !documentLike && (cues.blueSky >= 0.1 || cues.topValue - cues.bottomValue > 40);
    const double paleSky = paleIsSky ? cues.paleSky * 0.5 : 0.0;
    const float sky = clampedConfidence((cues.blueSky + cues.duskSky + paleSky) * 1.3);
    const float greenery = clampedConfidence(cues.greenery * 1.6);
    // Water and snow lie under a sky.
    const float water = sky > 0.25f ? clampedConfidence(cues.water * 1.2) : 0.0f;
    const float snow = !documentLike && sky > 0.25f ? clampedConfidence((cues.snow - 0.2) * 1.5) : 0.0f;
    const bool night = cues.meanValue < 80 && cues.deepDark > 0.4;
    if (sky > 0.25f) labels.push_back({"sky", sky});
    if (cues.blueSky * 1.3 > 0.25) labels.push_back({"blue_sky", clampedConfidence(cues.blueSky * 1.3)});
    if (water > 0.25f) labels.push_back({"water", water});
    if (snow > 0.25f) labels.push_back({"snow", snow});
    if (greenery > 0.25f) labels.push_back({"greenery", greenery});
    const float outdoor = std::max({sky, greenery, water, snow});
    if (outdoor > 0.3f) labels.push_back({"outdoor", outdoor * 0.9f});
    if (night) labels.push_back({"night", clampedConfidence((85 - cues.meanValue) / 60)});
    // Warm lamp light on wood, skin, fur or walls, with no sky, plants or night around; a
    // flat field of one colour is no room.
    if (!documentLike && !night && outdoor <= 0.25f && cues.deepDark < 0.2 && cues.warm >= 0.3 && cues.flat < 0.9)
        labels.push_back({"indoor", clampedConfidence(0.3 + 0.4 * cues.warm)});
    return labels;
}

} // namespace quelso
