#include "pipeline/LogoStamp.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>

#include "TestSupport.h"

namespace quelso {
namespace {

using Pixel = std::array<std::uint8_t, 4>;

Bytes solid(std::int64_t w, std::int64_t h, Pixel px) {
    return test::solidPixels(int(w), int(h), {px[0], px[1], px[2], px[3]});
}

// An RGBA raster encoded as a PNG file's bytes.
Bytes png(const Bytes& rgba, int w, int h) {
    test::TempDir dir;
    EXPECT_TRUE(test::writeImage(dir.file("logo.png"), rgba, w, h, 4));
    return test::readFile(dir.file("logo.png"));
}

Pixel pixelAt(const Bytes& rgba, std::int64_t width, std::int64_t x, std::int64_t row) {
    Pixel p;
    std::memcpy(p.data(), &rgba[std::size_t((row * width + x) * 4)], 4);
    return p;
}

constexpr Pixel kRed{255, 0, 0, 255};
constexpr Pixel kBlue{0, 0, 255, 255};
constexpr Pixel kGrey{100, 100, 100, 255};

// Every pixel inside [x0, x1) x [row0, row1) must equal `inside` (when given), every pixel
// more than one pixel outside must be untouched.
void expectStamp(const Bytes& got, const Bytes& original, std::int64_t W, std::int64_t H,
                 std::int64_t x0, std::int64_t x1, std::int64_t row0, std::int64_t row1,
                 std::optional<Pixel> inside) {
    for (std::int64_t row = 0; row < H; ++row)
        for (std::int64_t x = 0; x < W; ++x) {
            const Pixel p = pixelAt(got, W, x, row);
            ASSERT_EQ(p[3], 255);
            if (inside && x >= x0 && x < x1 && row >= row0 && row < row1) {
                ASSERT_EQ(p, *inside) << x << "," << row;
            } else if (x < x0 - 1 || x > x1 || row < row0 - 1 || row > row1) {
                ASSERT_EQ(p, pixelAt(original, W, x, row)) << x << "," << row;
            }
        }
}

TEST(LogoStamp, DefaultsPutTheLogoAtTheBottomCentre) {
    const std::int64_t W = 1000, H = 800;
    const Bytes original = solid(W, H, kGrey);
    const Bytes logo = png(solid(200, 100, kRed), 200, 100);

    Bytes raster = original;
    ImageProcessor::stampLogo(raster, W, H, logo, 10, 1, 4);
    // x 450..550, 32..82 above the bottom edge: rows 718..767 counted from the top.
    expectStamp(raster, original, W, H, 450, 550, 718, 768, kRed);

    // Opacity above one is one.
    Bytes over = original;
    ImageProcessor::stampLogo(over, W, H, logo, 10, 1.5, 4);
    EXPECT_EQ(over, raster);

    // Half opacity lands half way from grey to red.
    Bytes half = original;
    ImageProcessor::stampLogo(half, W, H, logo, 10, 0.5, 4);
    const Pixel mid = pixelAt(half, W, 500, 740);
    EXPECT_NEAR(mid[0], 178, 1);
    EXPECT_NEAR(mid[1], 50, 1);
    EXPECT_NEAR(mid[2], 50, 1);
    EXPECT_EQ(mid[3], 255);
    expectStamp(half, original, W, H, 450, 550, 718, 768, std::nullopt);

    // Nothing visible at opacity zero, or below it.
    for (double opacity : {0.0, -2.0}) {
        Bytes none = original;
        ImageProcessor::stampLogo(none, W, H, logo, 10, opacity, 4);
        EXPECT_EQ(none, original);
    }
}

TEST(LogoStamp, KeepsTheLogoUprightWithItsOwnTransparency) {
    // 20 x 20: top half red, bottom-left quarter blue, bottom-right quarter transparent.
    Bytes pixels;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const Pixel p = y < 10 ? kRed : x < 10 ? kBlue : Pixel{0, 0, 0, 0};
            pixels.insert(pixels.end(), p.begin(), p.end());
        }
    const std::int64_t W = 200, H = 200;
    const Bytes original = solid(W, H, kGrey);
    Bytes raster = original;
    ImageProcessor::stampLogo(raster, W, H, png(pixels, 20, 20), 50, 1, 4);
    // Rectangle x 50..150, y 8..108 upwards: rows 92..191 from the top.
    expectStamp(raster, original, W, H, 50, 150, 92, 192, std::nullopt);
    EXPECT_EQ(pixelAt(raster, W, 60, 100), kRed);
    EXPECT_EQ(pixelAt(raster, W, 140, 100), kRed);
    EXPECT_EQ(pixelAt(raster, W, 60, 180), kBlue);
    EXPECT_EQ(pixelAt(raster, W, 140, 180), kGrey);
}

TEST(LogoStamp, TinyAndOversizedLogos) {
    const Bytes logo = png(solid(200, 100, kRed), 200, 100);
    {
        // Any size under one pixel draws the logo one pixel wide, centred.
        const std::int64_t W = 1000, H = 800;
        const Bytes original = solid(W, H, kGrey);
        Bytes zero = original, tiny = original;
        ImageProcessor::stampLogo(zero, W, H, logo, 0, 1, 4);
        ImageProcessor::stampLogo(tiny, W, H, logo, 0.01, 1, 4);
        EXPECT_EQ(zero, tiny);
        EXPECT_NE(zero, original);
        // (499.5, 32) to (500.5, 32.5) upwards: row 767, columns 499 and 500.
        expectStamp(zero, original, W, H, 499, 501, 767, 768, std::nullopt);
    }
    {
        // 150 % of a 200-wide picture: 300 x 150 from x = -50, clipped on both sides.
        const std::int64_t W = 200, H = 100;
        const Bytes original = solid(W, H, kGrey);
        Bytes raster = original;
        ImageProcessor::stampLogo(raster, W, H, logo, 150, 1, 4);
        expectStamp(raster, original, W, H, 0, 200, 0, 96, kRed);
    }
}

TEST(LogoStamp, OddNumbersNeitherCrashNorSpoilThePicture) {
    const Bytes logo = png(solid(20, 10, kRed), 20, 10);
    const std::int64_t W = 50, H = 40;
    const Bytes original = solid(W, H, kGrey);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (auto [size, opacity, margin] : {std::array<double, 3>{inf, 1, 4}, {nan, 1, 4},
                                         {1e300, 1, 4}, {10, nan, 4}, {10, 1, -1e12},
                                         {10, 1, nan}, {-30, 1, 4}}) {
        Bytes raster = original;
        ImageProcessor::stampLogo(raster, W, H, logo, size, opacity, margin);
        for (std::size_t i = 3; i < raster.size(); i += 4) ASSERT_EQ(raster[i], 255);
    }
}

TEST(LogoStamp, BytesThatAreNotAnImageChangeNothing) {
    // Low alphas would not survive the premultiply round trip: they prove it never ran.
    const std::int64_t W = 16, H = 9;
    const Bytes original = test::randomPixels(int(W), int(H), 4, 11);
    Bytes raster = original;
    const std::string text = "not a picture";
    ImageProcessor::stampLogo(raster, W, H, Bytes(text.begin(), text.end()), 10, 1, 4);
    ImageProcessor::stampLogo(raster, W, H, Bytes{}, 10, 1, 4);
    EXPECT_EQ(raster, original);
}

} // namespace
} // namespace quelso
