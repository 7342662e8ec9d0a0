#include "platform/Canvas.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

namespace quelso {
namespace {

PixelImage solidImage(std::int64_t w, std::int64_t h, std::array<std::uint8_t, 4> px) {
    PixelImage img;
    img.width = w;
    img.height = h;
    for (std::int64_t i = 0; i < w * h; ++i) img.rgba.insert(img.rgba.end(), px.begin(), px.end());
    return img;
}

// Pixel whose centre is at (x + 0.5, y + 0.5) in the y-up frame.
const std::uint8_t* at(const Bytes& rgba, std::int64_t width, std::int64_t height, std::int64_t x,
                       std::int64_t yUp) {
    return &rgba[std::size_t(((height - 1 - yUp) * width + x) * 4)];
}

// A valid premultiplied raster: every colour byte at most its alpha.
Bytes randomPremultiplied(std::int64_t w, std::int64_t h, unsigned seed) {
    std::mt19937 gen(seed);
    Bytes out(std::size_t(w * h * 4));
    for (std::size_t i = 0; i < out.size(); i += 4) {
        const int a = int(gen() % 256);
        for (int c = 0; c < 3; ++c) out[i + c] = std::uint8_t(a ? gen() % (a + 1) : 0);
        out[i + 3] = std::uint8_t(a);
    }
    return out;
}

TEST(Canvas, UntouchedPixelsSurviveTheByteOrderRoundTrip) {
    const std::int64_t W = 37, H = 23;
    const Bytes original = randomPremultiplied(W, H, 7);
    Bytes raster = original;
    auto red = CanvasImage::from(solidImage(3, 3, {255, 0, 0, 255}));
    ASSERT_TRUE(red);
    {
        auto canvas = Canvas::over(raster, W, H);
        ASSERT_TRUE(canvas);
        canvas->drawImage(*red, Rect{10, 5, 6, 4});
    }
    int drawn = 0;
    for (std::int64_t y = 0; y < H; ++y)
        for (std::int64_t x = 0; x < W; ++x) {
            const std::uint8_t* got = at(raster, W, H, x, y);
            const std::uint8_t* was = at(original, W, H, x, y);
            const bool inside = x >= 10 && x < 16 && y >= 5 && y < 9;
            if (inside) {
                // Memory order R, G, B, A as the caller sees it.
                EXPECT_EQ(got[0], 255);
                EXPECT_EQ(got[1], 0);
                EXPECT_EQ(got[2], 0);
                EXPECT_EQ(got[3], 255);
                ++drawn;
            } else {
                ASSERT_EQ(std::memcmp(got, was, 4), 0) << "pixel " << x << "," << y;
            }
        }
    EXPECT_EQ(drawn, 24);
}

TEST(Canvas, RefusesRastersItCannotWrap) {
    Bytes small(4 * 4 * 4);
    EXPECT_FALSE(Canvas::over(small, 5, 4));
    EXPECT_FALSE(Canvas::over(small, 0, 0));
    Bytes wide(std::size_t(40000) * 4);
    EXPECT_FALSE(Canvas::over(wide, 40000, 1));
    const PixelImage shortImage{Bytes(3), 2, 2, std::nullopt};
    EXPECT_FALSE(CanvasImage::from(shortImage));
}

TEST(Canvas, PictureTopLandsAtTheRectangleTopAndKeepsItsAlpha) {
    // Row 0 red, row 1 blue, right column of row 1 fully transparent.
    PixelImage img;
    img.width = 2;
    img.height = 2;
    img.rgba = {255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0};
    auto picture = CanvasImage::from(img);
    ASSERT_TRUE(picture);
    const std::int64_t W = 40, H = 40;
    Bytes raster = solidImage(W, H, {0, 255, 0, 255}).rgba;
    {
        auto canvas = Canvas::over(raster, W, H);
        ASSERT_TRUE(canvas);
        canvas->drawImage(*picture, Rect{0, 0, 40, 40});
    }
    const std::uint8_t* top = at(raster, W, H, 5, 35);
    EXPECT_EQ((std::array<int, 4>{top[0], top[1], top[2], top[3]}), (std::array<int, 4>{255, 0, 0, 255}));
    const std::uint8_t* bottomLeft = at(raster, W, H, 5, 5);
    EXPECT_EQ((std::array<int, 4>{bottomLeft[0], bottomLeft[1], bottomLeft[2], bottomLeft[3]}),
              (std::array<int, 4>{0, 0, 255, 255}));
    // The transparent corner lets the green background through.
    const std::uint8_t* bottomRight = at(raster, W, H, 35, 2);
    EXPECT_EQ((std::array<int, 4>{bottomRight[0], bottomRight[1], bottomRight[2], bottomRight[3]}),
              (std::array<int, 4>{0, 255, 0, 255}));
}

TEST(Canvas, GlobalAlphaBlendsAndIsRestoredWithTheState) {
    auto red = CanvasImage::from(solidImage(1, 1, {255, 0, 0, 255}));
    ASSERT_TRUE(red);
    const std::int64_t W = 10, H = 10;
    Bytes raster = solidImage(W, H, {0, 0, 0, 255}).rgba;
    {
        auto canvas = Canvas::over(raster, W, H);
        ASSERT_TRUE(canvas);
        canvas->setAlpha(0.5);
        canvas->save();
        canvas->setAlpha(1.0);
        canvas->restore();
        canvas->restore(); // unbalanced: ignored, the canvas keeps drawing
        canvas->drawImage(*red, Rect{0, 0, 5, 10});
        canvas->setAlpha(0.0);
        canvas->drawImage(*red, Rect{5, 0, 5, 10});
    }
    const std::uint8_t* half = at(raster, W, H, 2, 2);
    EXPECT_NEAR(half[0], 128, 1);
    EXPECT_EQ(half[1], 0);
    EXPECT_EQ(half[3], 255);
    const std::uint8_t* none = at(raster, W, H, 7, 2);
    EXPECT_EQ((std::array<int, 4>{none[0], none[1], none[2], none[3]}), (std::array<int, 4>{0, 0, 0, 255}));
}

TEST(Canvas, TransformsTurnCounterClockwiseInTheUpwardFrame) {
    auto red = CanvasImage::from(solidImage(1, 1, {255, 0, 0, 255}));
    ASSERT_TRUE(red);
    const std::int64_t W = 20, H = 20;
    Bytes raster(std::size_t(W * H * 4), 0);
    {
        auto canvas = Canvas::over(raster, W, H);
        ASSERT_TRUE(canvas);
        canvas->translate(10, 10);
        canvas->rotate(std::numbers::pi / 2);
        // (0..6, 0..2) turned a quarter left: x from 8 to 10, y from 10 to 16.
        canvas->drawImage(*red, Rect{0, 0, 6, 2});
    }
    for (std::int64_t y = 0; y < H; ++y)
        for (std::int64_t x = 0; x < W; ++x) {
            const bool inside = x >= 8 && x < 10 && y >= 10 && y < 16;
            EXPECT_EQ(at(raster, W, H, x, y)[3], inside ? 255 : 0) << x << "," << y;
        }
}

struct InkBox {
    std::int64_t left = 1 << 30, right = -1, bottom = 1 << 30, top = -1;
};

InkBox inkOf(const Bytes& rgba, std::int64_t W, std::int64_t H) {
    InkBox box;
    for (std::int64_t y = 0; y < H; ++y)
        for (std::int64_t x = 0; x < W; ++x)
            if (at(rgba, W, H, x, y)[0] > 128) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.bottom = std::min(box.bottom, y);
                box.top = std::max(box.top, y);
            }
    return box;
}

TEST(Canvas, TextStandsUprightOnItsBaselineAndMatchesItsMeasure) {
    auto line = TextLine::make("L", "Liberation Sans Bold", 40, TextColor{1, 1, 1, 1});
    ASSERT_TRUE(line);
    const Rect ink = line->inkBounds();
    // An upright capital sits on the baseline and rises about 0.7 em.
    EXPECT_NEAR(ink.y, 0, 1);
    EXPECT_NEAR(ink.height, 29, 2);

    const std::int64_t W = 60, H = 60;
    Bytes raster = solidImage(W, H, {0, 0, 0, 255}).rgba;
    {
        auto canvas = Canvas::over(raster, W, H);
        ASSERT_TRUE(canvas);
        canvas->drawText(*line, 10, 10);
    }
    const InkBox box = inkOf(raster, W, H);
    EXPECT_NEAR(box.left, 10 + ink.x, 1.5);
    EXPECT_NEAR(box.right + 1, 10 + ink.x + ink.width, 1.5);
    EXPECT_NEAR(box.bottom, 10 + ink.y, 1.5);
    EXPECT_NEAR(box.top + 1, 10 + ink.y + ink.height, 1.5);

    // The stem is on the left and reaches the top; the foot runs right along the baseline.
    auto lit = [&](std::int64_t x, std::int64_t y) { return at(raster, W, H, x, y)[0] > 128; };
    EXPECT_TRUE(lit(box.left + 1, box.top - 1));
    EXPECT_FALSE(lit(box.right - 1, box.top - 1));
    EXPECT_TRUE(lit(box.right - 1, box.bottom + 1));
}

TEST(Canvas, TextFollowsTheRotatedFrame) {
    auto line = TextLine::make("F", "Liberation Sans Bold", 30, TextColor{1, 1, 1, 1});
    ASSERT_TRUE(line);
    const std::int64_t W = 60, H = 60;
    Bytes raster = solidImage(W, H, {0, 0, 0, 255}).rgba;
    {
        auto canvas = Canvas::over(raster, W, H);
        ASSERT_TRUE(canvas);
        canvas->translate(40, 10);
        canvas->rotate(std::numbers::pi / 2);
        canvas->drawText(*line, 0, 0);
    }
    // Turned a quarter left the glyph rises from y = 10 and spreads to the left of x = 40;
    // its stem (the glyph's left edge) now runs along the bottom.
    const InkBox box = inkOf(raster, W, H);
    EXPECT_LE(box.right, 40);
    EXPECT_GE(box.bottom, 10);
    EXPECT_LE(box.bottom, 13);
    auto lit = [&](std::int64_t x, std::int64_t y) { return at(raster, W, H, x, y)[0] > 128; };
    EXPECT_TRUE(lit(box.left + 1, box.bottom + 1));
    EXPECT_TRUE(lit(box.right - 1, box.bottom + 1));
    // The F's arms point upwards; the tip of the lower arm leaves a gap at the far corner.
    EXPECT_FALSE(lit(box.right - 1, box.top - 1));
    EXPECT_TRUE(lit(box.left + 1, box.top - 1));
}

TEST(Canvas, TextAcceptsAnyBytesAndRefusesBadSizes) {
    auto broken = TextLine::make(std::string("a\xff\xfe" "b", 4), "Liberation Sans Bold", 20, {});
    ASSERT_TRUE(broken);
    EXPECT_GT(broken->inkBounds().width, 10);
    auto persian = TextLine::make("سلام دنیا", "Liberation Sans Bold", 20, {});
    ASSERT_TRUE(persian);
    EXPECT_GT(persian->inkBounds().width, 40);
    EXPECT_FALSE(TextLine::make("x", "Liberation Sans Bold", 0, {}));
    EXPECT_FALSE(TextLine::make("x", "Liberation Sans Bold", NAN, {}));
}

} // namespace
} // namespace quelso
