#pragma once
// Pictures for naming tests: text set through the canvas (so Arabic script is shaped for
// real) and a photo-like landscape with no text in it.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/PixelImage.h"
#include "platform/Canvas.h"

namespace quelso::pictures {

// Persian words for pictures of text: "hello", "world" and "Iran National Library".
inline const std::string salam = "\u0633\u0644\u0627\u0645", donya = "\u062f\u0646\u06cc\u0627";
inline const std::string library = "\u06a9\u062a\u0627\u0628\u062e\u0627\u0646\u0647 \u0645\u0644\u06cc "
                                   "\u0627\u06cc\u0631\u0627\u0646";

inline PixelImage solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
    PixelImage picture{{}, width, height, std::nullopt};
    for (int i = 0; i < width * height; ++i) picture.rgba.insert(picture.rgba.end(), {r, g, b, a});
    return picture;
}

// Dark lines of text (em size in pixels) on a white box at the top-left corner of an
// opaque picture.
inline void stampText(PixelImage& picture, const std::vector<std::string>& lines, double size) {
    double inkWidth = 0;
    std::vector<TextLine> shaped;
    for (const std::string& line : lines) {
        shaped.push_back(*TextLine::make(line, "DejaVu Sans", size, {0.05, 0.05, 0.05, 1}));
        inkWidth = std::max(inkWidth, shaped.back().inkBounds().width);
    }
    const auto right = std::min(picture.width, static_cast<std::int64_t>(inkWidth + 2 * size));
    const auto bottom = std::min(picture.height, static_cast<std::int64_t>((1.5 * lines.size() + 1) * size));
    for (std::int64_t y = 0; y < bottom; ++y) std::fill_n(picture.rgba.begin() + y * picture.width * 4, right * 4, 255);
    auto canvas = Canvas::over(picture.rgba, picture.width, picture.height);
    for (std::size_t i = 0; i < shaped.size(); ++i)
        canvas->drawText(shaped[i], size, static_cast<double>(picture.height) - size * (1.5 * i + 1.8));
}

inline PixelImage textPage(const std::vector<std::string>& lines, double size, int width, int height) {
    PixelImage page = solid(width, height, 255, 255, 255);
    stampText(page, lines, size);
    return page;
}

// A blue sky gradient over noisy green ground. In a town, dark blocks with rows of lit
// windows stand on the horizon: texture that text recognition is prone to read as letters.
inline PixelImage landscape(int width, int height, unsigned seed, bool town = false) {
    PixelImage picture = solid(width, height, 0, 0, 0);
    std::mt19937 random(seed);
    const int horizon = height * 11 / 20;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &picture.rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            if (y < horizon) {
                p[0] = static_cast<std::uint8_t>(70 + 110 * y / horizon);
                p[1] = static_cast<std::uint8_t>(130 + 80 * y / horizon);
                p[2] = static_cast<std::uint8_t>(225 + 20 * y / horizon);
            } else {
                const int noise = static_cast<int>(random() % 50) - 25, shade = 40 * (y - horizon) / (height - horizon);
                p[0] = static_cast<std::uint8_t>(60 - shade / 2 + noise);
                p[1] = static_cast<std::uint8_t>(140 - shade + noise);
                p[2] = static_cast<std::uint8_t>(45 - shade / 3 + noise / 2);
            }
        }
    std::mt19937 windows(seed);
    for (int left = 0; town && left < width; left += 130) {
        const int top = std::max(0, horizon - 100 - static_cast<int>(windows() % 200));
        for (int y = top; y < height; ++y)
            for (int x = left; x < std::min(width, left + 120); ++x) {
                const bool lit = (x - left) % 7 >= 2 && (x - left) % 7 < 6 && (y - top) % 16 >= 2 &&
                                 (y - top) % 16 < 13 && windows() % 4;
                std::fill_n(&picture.rgba[(static_cast<std::size_t>(y) * width + x) * 4], 3, lit ? 230 : 25);
            }
    }
    return picture;
}

// A blue sky over rippled water (dark blue with lighter crests) or over snow (white with
// faint grain), each half of the picture.
inline PixelImage skyOver(int width, int height, bool water, unsigned seed) {
    PixelImage picture = landscape(width, height, seed);
    std::mt19937 random(seed);
    for (int y = height / 2; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &picture.rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            const int grain = static_cast<int>(random() % 12);
            const bool crest = water && (y / 3 + x / 17) % 4 == 0;
            p[0] = static_cast<std::uint8_t>(water ? (crest ? 90 : 20) + grain : 235 + grain / 2);
            p[1] = static_cast<std::uint8_t>(water ? (crest ? 140 : 70) + grain : 238 + grain / 2);
            p[2] = static_cast<std::uint8_t>(water ? (crest ? 210 : 150) + grain : 242 + grain / 2);
        }
    return picture;
}

} // namespace quelso::pictures
