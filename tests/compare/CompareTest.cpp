// SSIM and the perceptual hash on pictures whose figures can be worked out by hand.
#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "compare/Likeness.h"
#include "compare/LumaGrid.h"
#include "compare/PerceptualHash.h"
#include "compare/Ssim.h"

namespace quelso {
namespace {

constexpr double kC1 = 6.5025, kC2 = 58.5225; // (0.01 * 255)^2, (0.03 * 255)^2

PixelImage picture(int w, int h, const test::Bytes& rgb) {
    PixelImage image{Bytes(static_cast<std::size_t>(w * h * 4)), w, h, std::nullopt};
    for (int i = 0; i < w * h; ++i) {
        for (int c = 0; c < 3; ++c) image.rgba[i * 4 + c] = rgb[i * 3 + c];
        image.rgba[i * 4 + 3] = 255;
    }
    return image;
}

PixelImage grey(int w, int h, std::uint8_t level) {
    return picture(w, h, test::Bytes(static_cast<std::size_t>(w * h * 3), level));
}

PixelImage checkerboard(int w, int h, bool inverted) {
    test::Bytes rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) rgb.insert(rgb.end(), 3, ((x + y) % 2 == 0) != inverted ? 255 : 0);
    return picture(w, h, rgb);
}

PixelImage inverse(PixelImage image) {
    for (std::size_t i = 0; i < image.rgba.size(); ++i)
        if (i % 4 != 3) image.rgba[i] = static_cast<std::uint8_t>(255 - image.rgba[i]);
    return image;
}

TEST(LumaGrid, CellsAverageThePixelsTheyCoverOverBlack) {
    // Rec. 601 luma of (200, 100, 50) is 59.8 + 58.7 + 5.7 = 124.2; then grey levels 40, 80,
    // 120 in the top row, 10, 50, 90, 130 below; the last pixel fully transparent, so it counts as black.
    PixelImage image = picture(
        4, 2, {200, 100, 50, 40, 40, 40, 80, 80, 80, 120, 120, 120, 10, 10, 10, 50, 50, 50, 90, 90, 90, 130, 130, 130});
    image.rgba[7 * 4 + 3] = 0;
    const LumaGrid::Plane cells = LumaGrid::sample(image, 2, 1);
    ASSERT_EQ(cells.values.size(), 2u);
    EXPECT_NEAR(cells.values[0], (124.2 + 40 + 10 + 50) / 4.0, 1e-9);
    EXPECT_NEAR(cells.values[1], (80 + 120 + 90 + 0) / 4.0, 1e-9);
    // Uneven cells: columns 0 | 1 | 2-3 of a 3-wide grid, both rows in each.
    const LumaGrid::Plane thirds = LumaGrid::sample(image, 3, 1);
    EXPECT_NEAR(thirds.values[2], (80 + 120 + 90 + 0) / 4.0, 1e-9);
    EXPECT_NEAR(thirds.values[1], (40 + 50) / 2.0, 1e-9);
    // A grid larger than the picture repeats its pixels; colour weighs as Rec. 601 luma.
    const PixelImage colour = picture(2, 1, {255, 0, 0, 0, 0, 255});
    const LumaGrid::Plane repeated = LumaGrid::sample(colour, 4, 2);
    for (const int row : {0, 4})
        EXPECT_THAT(std::vector<double>(repeated.values.begin() + row, repeated.values.begin() + row + 4),
                    testing::Pointwise(testing::DoubleNear(1e-9), {76.245, 76.245, 29.07, 29.07}));
}

TEST(Ssim, HandWorkedPictures) {
    const PixelImage noisy = picture(40, 30, test::randomPixels(40, 30, 3, 7));
    EXPECT_EQ(*Ssim::compare(noisy, noisy), 1.0);
    // Flat pictures: no variance, so only the brightness term is left.
    const double a = 100, b = 140;
    EXPECT_NEAR(*Ssim::compare(grey(16, 16, 100), grey(16, 16, 140)), (2 * a * b + kC1) / (a * a + b * b + kC1), 1e-9);
    // Sizes that differ are measured on the smaller grid: a flat picture is the same at any size.
    EXPECT_NEAR(*Ssim::compare(grey(20, 16, 90), grey(18, 16, 90)), 1.0, 1e-12);
    // Every 8 x 8 window of a checkerboard holds 32 black and 32 white pixels: the same mean
    // in both, and the inverted board has the opposite covariance.
    const double v = 127.5 * 127.5;
    EXPECT_NEAR(*Ssim::compare(checkerboard(16, 16, false), checkerboard(16, 16, true)), (-2 * v + kC2) / (2 * v + kC2),
                1e-9);
    // Every 8 x 8 window counts alike: on 9 x 8 pictures the first of the two windows sees a
    // column of 140 among 100s (mean 105, variance 175 against a flat 100), the second none.
    PixelImage striped = grey(9, 8, 100);
    for (int y = 0; y < 8; ++y)
        for (int c = 0; c < 3; ++c) striped.rgba[(y * 9) * 4 + c] = 140;
    const double first = (2 * 100 * 105 + kC1) * kC2 / ((100 * 100 + 105 * 105 + kC1) * (175 + kC2));
    EXPECT_NEAR(*Ssim::compare(grey(9, 8, 100), striped), (first + 1) / 2, 1e-9);
    EXPECT_FALSE(Ssim::compare(PixelImage{}, noisy));
}

TEST(Likeness, SourceSummaryGivesTheWholePicturesFigures) {
    // A copy a pixel smaller on each side, as the micro crop makes, disturbed a little.
    const PixelImage source = picture(40, 30, test::randomPixels(40, 30, 3, 11));
    PixelImage copy = picture(38, 28, test::randomPixels(38, 28, 3, 12));
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 38; ++x)
            for (int c = 0; c < 3; ++c)
                copy.rgba[(y * 38 + x) * 4 + c] = static_cast<std::uint8_t>(
                    (source.rgba[((y + 1) * 40 + x + 1) * 4 + c] * 3 + copy.rgba[(y * 38 + x) * 4 + c]) / 4);
    const Likeness::Figures figures = Likeness::measure(Likeness::of(source, 38, 28), copy);
    ASSERT_TRUE(figures.ssim);
    EXPECT_EQ(*figures.ssim, *Ssim::compare(source, copy));
    EXPECT_LT(*figures.ssim, 0.99);
    EXPECT_EQ(figures.hashDistance, PerceptualHash::distance(PerceptualHash::of(source), PerceptualHash::of(copy)));
    // A summary made for a copy of another size gives no SSIM rather than a wrong one.
    EXPECT_FALSE(Likeness::measure(Likeness::of(source, 40, 30), copy).ssim);
}

TEST(PerceptualHash, SamePictureInvertedAndRescaled) {
    const PixelImage noisy = picture(64, 64, test::randomPixels(64, 64, 3, 5));
    const std::uint64_t hash = PerceptualHash::of(noisy);
    EXPECT_EQ(PerceptualHash::distance(hash, PerceptualHash::of(noisy)), 0);
    // Inverting negates every coefficient and the median with them: every bit flips.
    EXPECT_EQ(PerceptualHash::distance(hash, PerceptualHash::of(inverse(noisy))), 64);
    // Twice the size, each pixel repeated: the 32 x 32 grid sees the same means.
    PixelImage doubled{Bytes(128 * 128 * 4), 128, 128, std::nullopt};
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            for (int c = 0; c < 4; ++c)
                doubled.rgba[(y * 128 + x) * 4 + c] = noisy.rgba[((y / 2) * 64 + x / 2) * 4 + c];
    EXPECT_LE(PerceptualHash::distance(hash, PerceptualHash::of(doubled)), 1);
    EXPECT_EQ(PerceptualHash::distance(0, ~std::uint64_t{0}), 64);
    EXPECT_EQ(PerceptualHash::distance(0b1011, 0b0110), 3);
}

} // namespace
} // namespace quelso
