#include "pipeline/LogoStamp.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>

#include "TestImages.h"
#include "TestSupport.h"

namespace quelso {
namespace {

using I = std::int64_t;
using Pixel = std::array<std::uint8_t, 4>;
constexpr Pixel kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255}, kGrey{100, 100, 100, 255};

Bytes solid(I w, I h, Pixel px) {
    return test::solidPixels(static_cast<int>(w), static_cast<int>(h), {px.begin(), px.end()});
}

// An RGBA raster encoded as a PNG file's bytes.
Bytes png(const Bytes& rgba, int w, int h) {
    test::TempDir dir;
    EXPECT_TRUE(test::writeImage(dir.file("logo.png"), rgba, w, h, 4));
    return test::readFile(dir.file("logo.png"));
}

Pixel at(const Bytes& rgba, I width, I x, I row) {
    const std::uint8_t* p = &rgba[static_cast<std::size_t>((row * width + x) * 4)];
    return {p[0], p[1], p[2], p[3]};
}

struct Stamp {
    I x0, x1, row0, row1; // the rectangle, rows counted from the top
};

// On a grey picture: every pixel inside the stamp within `tolerance` of `inside` (when given),
// every pixel more than one pixel outside it still grey, and every alpha 255.
void expectStamp(const Bytes& got, I W, I H, Stamp s, std::optional<Pixel> inside, int tolerance = 0) {
    for (I row = 0; row < H; ++row)
        for (I x = 0; x < W; ++x) {
            const Pixel p = at(got, W, x, row);
            ASSERT_EQ(p[3], 255);
            const bool in = x >= s.x0 && x < s.x1 && row >= s.row0 && row < s.row1;
            for (int c = 0; c < 3 && in && inside; ++c) ASSERT_NEAR(p[c], (*inside)[c], tolerance) << x << "," << row;
            if (x < s.x0 - 1 || x > s.x1 || row < s.row0 - 1 || row > s.row1) {
                ASSERT_EQ(p, kGrey) << x << "," << row;
            }
        }
}

TEST(LogoStamp, RectangleFollowsSizeMarginAndOpacityAndIsClipped) {
    const Bytes logo = png(solid(200, 100, kRed), 200, 100);
    const struct {
        I W, H;
        double size, opacity;
        Stamp stamp;
        std::optional<Pixel> inside;
        int tolerance;
    } cases[] = {
        // The defaults: x 450..550, 32..82 above the bottom edge, so rows 718..767 from the top.
        {1000, 800, 10, 1, {450, 550, 718, 768}, kRed, 0},
        {1000, 800, 10, 1.5, {450, 550, 718, 768}, kRed, 0},               // above one is one
        {1000, 800, 10, 0.5, {450, 550, 718, 768}, Pixel{178, 50, 50}, 1}, // half way from grey to red
        // Under one pixel wide: (499.5, 32) to (500.5, 32.5), so row 767, columns 499 and 500.
        {1000, 800, 0.01, 1, {499, 501, 767, 768}, std::nullopt, 0},
        // 150 % of a 200-wide picture: 300 x 150 from x = -50, clipped on both sides and above.
        {200, 100, 150, 1, {0, 200, 0, 96}, kRed, 0},
        {200, 100, 10, 0, {0, 0, 0, 0}, std::nullopt, 0},
        {200, 100, 10, -2, {0, 0, 0, 0}, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << " opacity " << c.opacity);
        const Bytes grey = solid(c.W, c.H, kGrey);
        Bytes raster = grey;
        ImageProcessor::stampLogo(raster, c.W, c.H, logo, c.size, c.opacity, 4);
        expectStamp(raster, c.W, c.H, c.stamp, c.inside, c.tolerance);
        EXPECT_EQ(raster != grey, c.opacity > 0);
    }
}

TEST(LogoStamp, KeepsTheLogoUprightWithItsOwnTransparency) {
    // 20 x 20: top half red, bottom-left quarter blue, bottom-right quarter transparent.
    Bytes pixels;
    for (int i = 0; i < 400; ++i) {
        const Pixel p = i < 200 ? kRed : i % 20 < 10 ? kBlue : Pixel{0, 0, 0, 0};
        pixels.insert(pixels.end(), p.begin(), p.end());
    }
    Bytes raster = solid(200, 200, kGrey);
    ImageProcessor::stampLogo(raster, 200, 200, png(pixels, 20, 20), 50, 1, 4);
    // Rectangle x 50..150, y 8..108 upwards: rows 92..191 from the top.
    expectStamp(raster, 200, 200, {50, 150, 92, 192}, std::nullopt);
    EXPECT_EQ(at(raster, 200, 60, 100), kRed);
    EXPECT_EQ(at(raster, 200, 140, 100), kRed);
    EXPECT_EQ(at(raster, 200, 60, 180), kBlue);
    EXPECT_EQ(at(raster, 200, 140, 180), kGrey);
}

TEST(LogoStamp, OddNumbersAndBytesThatAreNotAnImageSpoilNothing) {
    const Bytes logo = png(solid(20, 10, kRed), 20, 10);
    for (auto [size, opacity, margin] : {std::array<double, 3>{INFINITY, 1, 4},
                                         {NAN, 1, 4},
                                         {1e300, 1, 4},
                                         {10, NAN, 4},
                                         {10, 1, -1e12},
                                         {10, 1, NAN},
                                         {-30, 1, 4}}) {
        Bytes raster = solid(50, 40, kGrey);
        ImageProcessor::stampLogo(raster, 50, 40, logo, size, opacity, margin);
        for (std::size_t i = 3; i < raster.size(); i += 4) ASSERT_EQ(raster[i], 255);
    }
    // Low alphas would not survive the premultiply round trip: they prove it never ran.
    const Bytes translucent = test::randomPixels(16, 9, 4, 11);
    Bytes raster = translucent;
    ImageProcessor::stampLogo(raster, 16, 9, Bytes{'n', 'o', 'p', 'e'}, 10, 1, 4);
    ImageProcessor::stampLogo(raster, 16, 9, Bytes{}, 10, 1, 4);
    EXPECT_EQ(raster, translucent);
}

} // namespace
} // namespace quelso
