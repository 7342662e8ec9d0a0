// Drawing into a caller's raster: byte order, the y-up frame, global alpha and upright text.
#include "platform/Canvas.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>

namespace quelso {
namespace {

using Pixel = std::array<int, 4>;

// A raster of one premultiplied colour, drawn on through a canvas and read in the y-up frame.
struct Raster {
    std::int64_t width, height;
    Bytes rgba;

    Raster(std::int64_t w, std::int64_t h, Pixel fill) : width(w), height(h) {
        for (std::int64_t i = 0; i < w * h; ++i) rgba.insert(rgba.end(), fill.begin(), fill.end());
    }
    // The pixel whose centre is at (x + 0.5, y + 0.5).
    Pixel at(std::int64_t x, std::int64_t y) const {
        const std::uint8_t* p = &rgba[static_cast<std::size_t>(((height - 1 - y) * width + x) * 4)];
        return {p[0], p[1], p[2], p[3]};
    }
    void draw(const std::function<void(Canvas&)>& steps) {
        auto canvas = Canvas::over(rgba, width, height);
        ASSERT_TRUE(canvas);
        steps(*canvas);
    }
};

CanvasImage picture(std::int64_t width, std::int64_t height, Bytes rgba) {
    return *CanvasImage::from({std::move(rgba), width, height, std::nullopt});
}

TEST(Canvas, PicturesLandTopUpAndEveryOtherByteIsUntouched) {
    Raster raster(37, 30, {});
    std::mt19937 random(7);
    for (std::size_t i = 0; i < raster.rgba.size(); i += 4) { // premultiplied: no colour above its alpha
        raster.rgba[i + 3] = static_cast<std::uint8_t>(random() % 256);
        for (int c = 0; c < 3; ++c) raster.rgba[i + c] = static_cast<std::uint8_t>(random() % (raster.rgba[i + 3] + 1));
    }
    const Raster original = raster;
    // Red top row; blue bottom row whose right pixel is fully transparent.
    const CanvasImage image = picture(2, 2, {255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0});
    raster.draw([&](Canvas& canvas) { canvas.drawImage(image, Rect{10, 5, 20, 20}); });
    for (std::int64_t y = 0; y < raster.height; ++y)
        for (std::int64_t x = 0; x < raster.width; ++x)
            if (x < 10 || x >= 30 || y < 5 || y >= 25) {
                ASSERT_EQ(raster.at(x, y), original.at(x, y)) << x << "," << y;
            }
    EXPECT_EQ(raster.at(12, 22), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(raster.at(12, 7), (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(raster.at(28, 6), original.at(28, 6));
}

TEST(Canvas, RefusesRastersItCannotWrap) {
    Bytes small(4 * 4 * 4), wide(40000 * 4);
    EXPECT_FALSE(Canvas::over(small, 5, 4));
    EXPECT_FALSE(Canvas::over(small, 0, 0));
    EXPECT_FALSE(Canvas::over(wide, 40000, 1));
    EXPECT_FALSE(CanvasImage::from({Bytes(3), 2, 2, std::nullopt}));
}

TEST(Canvas, RotationTurnsLeftAndRestoreBringsBackFrameAndAlpha) {
    const CanvasImage red = picture(1, 1, {255, 0, 0, 255});
    Raster raster(20, 20, {0, 0, 0, 0});
    raster.draw([&](Canvas& canvas) {
        canvas.setAlpha(0.5);
        canvas.save();
        canvas.setAlpha(1.0);
        canvas.translate(10, 10);
        canvas.rotate(std::numbers::pi / 2);
        canvas.drawImage(red, Rect{0, 0, 6, 2}); // turned a quarter left: x 8..10, y 10..16
        canvas.restore();
        canvas.restore(); // unbalanced: ignored, the canvas keeps drawing
        canvas.drawImage(red, Rect{0, 0, 2, 2});
    });
    for (std::int64_t y = 0; y < 20; ++y)
        for (std::int64_t x = 0; x < 20; ++x) {
            const int alpha = x >= 8 && x < 10 && y >= 10 && y < 16 ? 255 : x < 2 && y < 2 ? 128 : 0;
            EXPECT_NEAR(raster.at(x, y)[3], alpha, 1) << x << "," << y;
        }
}

// Where white glyphs drawn on black lie: left, right, bottom and top pixel indices.
std::array<std::int64_t, 4> inkBox(const Raster& raster) {
    std::array<std::int64_t, 4> box{raster.width, -1, raster.height, -1};
    for (std::int64_t y = 0; y < raster.height; ++y)
        for (std::int64_t x = 0; x < raster.width; ++x)
            if (raster.at(x, y)[0] > 128)
                box = {std::min(box[0], x), std::max(box[1], x), std::min(box[2], y), std::max(box[3], y)};
    return box;
}

TEST(Canvas, TextStandsUprightOnItsBaselineAndTurnsWithTheFrame) {
    const auto line = TextLine::make("L", "Liberation Sans Bold", 40, TextColor{1, 1, 1, 1});
    ASSERT_TRUE(line);
    const Rect ink = line->inkBounds();
    EXPECT_NEAR(ink.y, 0, 1); // a capital sits on the baseline and rises about 0.7 em
    EXPECT_NEAR(ink.height, 29, 2);

    Raster upright(60, 60, {0, 0, 0, 255});
    upright.draw([&](Canvas& canvas) { canvas.drawText(*line, 10, 10); });
    const auto [left, right, bottom, top] = inkBox(upright);
    EXPECT_NEAR(left, 10 + ink.x, 1.5);
    EXPECT_NEAR(right + 1, 10 + ink.x + ink.width, 1.5);
    EXPECT_NEAR(bottom, 10 + ink.y, 1.5);
    EXPECT_NEAR(top + 1, 10 + ink.y + ink.height, 1.5);
    // The stem is on the left and reaches the top; the foot runs right along the baseline.
    EXPECT_EQ(upright.at(left + 1, top - 1)[0], 255);
    EXPECT_EQ(upright.at(right - 1, top - 1)[0], 0);
    EXPECT_EQ(upright.at(right - 1, bottom + 1)[0], 255);

    // Turned a quarter left about (40, 10), the L rises from y = 10 to the left of x = 40, its
    // stem along the bottom and its foot up the right-hand side.
    Raster turned(60, 60, {0, 0, 0, 255});
    turned.draw([&](Canvas& canvas) {
        canvas.translate(40, 10);
        canvas.rotate(std::numbers::pi / 2);
        canvas.drawText(*line, 0, 0);
    });
    const auto [tLeft, tRight, tBottom, tTop] = inkBox(turned);
    EXPECT_NEAR(tRight + 1, 40, 1.5);
    EXPECT_NEAR(tBottom, 10 + ink.x, 1.5);
    EXPECT_EQ(turned.at(tLeft + 1, tBottom + 1)[0], 255);
    EXPECT_EQ(turned.at(tRight - 1, tTop - 1)[0], 255);
    EXPECT_EQ(turned.at(tLeft + 1, tTop - 1)[0], 0);
}

TEST(Canvas, TextTakesAnyBytesAndRefusesBadSizes) {
    const auto width = [](const std::string& text) {
        return TextLine::make(text, "Liberation Sans Bold", 20, {})->inkBounds().width;
    };
    EXPECT_GT(width(std::string("a\xff\xfe") + "b"), 10);
    EXPECT_GT(width("\u0633\u0644\u0627\u0645 \u062f\u0646\u06cc\u0627"), 40); // shaped through a fallback font
    EXPECT_FALSE(TextLine::make("x", "Liberation Sans Bold", 0, {}));
    EXPECT_FALSE(TextLine::make("x", "Liberation Sans Bold", NAN, {}));
}

} // namespace
} // namespace quelso
