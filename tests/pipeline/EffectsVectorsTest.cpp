// Hand-computed and independently computed (outside this code base) values for the effects
// on tiny rasters, and the generator's first values.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "pipeline/Effects.h"

namespace quelso {
namespace {

// A raster from per-pixel (x, y) -> R, G, B, A.
Bytes raster(std::int64_t w, std::int64_t h, const std::function<effects::Pixel(std::int64_t, std::int64_t)>& f) {
    Bytes out;
    for (std::int64_t y = 0; y < h; ++y)
        for (std::int64_t x = 0; x < w; ++x) {
            const effects::Pixel p = f(x, y);
            out.insert(out.end(), {p.r, p.g, p.b, p.a});
        }
    return out;
}

// Grey pixels with the given values and alpha 7, 8, 9, ... so that a change of alpha shows.
Bytes greyRow(std::initializer_list<int> values) {
    Bytes out;
    int alpha = 7;
    for (int v : values) out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v), std::uint8_t(alpha++)});
    return out;
}

TEST(Generator, FirstValuesAndRealDraws) {
    SplitMix64 g(0);
    EXPECT_EQ(g.next(), 0xE220A8397B1DCDAFull);
    EXPECT_EQ(g.next(), 0x6E789E6AA1B965F4ull);
    EXPECT_EQ(g.next(), 0x06C45D188009454Full);
    // high64(0xE220A8397B1DCDAF * (2^53 + 1)) = 7971545378592734; * 2^-53 * 0.020000000000000018 + 0.99
    EXPECT_EQ(SplitMix64(0).nextDouble(0.99, 1.01), 1.0076662161642729);
    EXPECT_EQ(SplitMix64(0).nextDouble(-1.5, 1.5), 1.1499324246409284);
    SplitMix64 h(5);
    EXPECT_EQ(h.nextInt(-1, 1), 0);
    EXPECT_EQ(h.nextInt(-1, 1), 1);
    EXPECT_EQ(h.nextInt(-1, 1), -1);
}

TEST(BoxBlur, SpikeInARowAndUniformAndAlpha) {
    Bytes row = greyRow({0, 0, 255, 0, 0});
    effects::boxBlur(row, 5, 1, 1);
    EXPECT_EQ(row, greyRow({0, 85, 85, 85, 0})); // 255 div 3, truncated; alpha as it was

    Bytes uniform(7 * 5 * 4, 77);
    const Bytes before = uniform;
    effects::boxBlur(uniform, 7, 5, 3);
    EXPECT_EQ(uniform, before);

    Bytes single = {9, 200, 31, 4};
    effects::boxBlur(single, 1, 1, 2);
    EXPECT_EQ(single, (Bytes{9, 200, 31, 4}));

    // One pixel wide: only the vertical pass changes anything. (0+0+90)/3, (0+90+0)/3, (90+0+0)/3.
    Bytes column = greyRow({0, 90, 0});
    effects::boxBlur(column, 1, 3, 1);
    EXPECT_EQ(column, greyRow({30, 30, 30}));
}

TEST(Sharpen, UnsharpMaskOverRadiusOneBlur) {
    // Blur 30, 30, 96, 133, 200; k = 0.6: 0.6*(c-b)+c = -18, 126, -57.6, 240.2, 201.6.
    Bytes row = greyRow({0, 90, 0, 200, 201});
    effects::sharpen(row, 5, 1, 0.5);
    EXPECT_EQ(row, greyRow({0, 126, 0, 240, 202}));

    Bytes uniform(6 * 4 * 4, 201);
    effects::sharpen(uniform, 6, 4, 1.0);
    EXPECT_EQ(uniform, Bytes(6 * 4 * 4, 201));

    Bytes unchanged = greyRow({0, 90, 0, 200, 201});
    effects::sharpen(unchanged, 5, 1, 0.0);
    EXPECT_EQ(unchanged, greyRow({0, 90, 0, 200, 201}));
}

TEST(BrightnessContrast, GainAroundMidGreyThenOffset) {
    Bytes half = greyRow({0, 50, 100, 127, 128, 200, 255});
    effects::brightnessContrast(half, 0.5); // g = 1.06, b = 2
    EXPECT_EQ(half, greyRow({0, 47, 100, 129, 130, 206, 255}));
    Bytes full = greyRow({0, 50, 100, 127, 128, 200, 255});
    effects::brightnessContrast(full, 1.0); // g = 1.12, b = 4: 50 -> 40.64 + 4 = 44.64 -> 45
    EXPECT_EQ(full, greyRow({0, 45, 101, 131, 132, 213, 255}));
    Bytes none = greyRow({0, 50, 100, 127, 128, 200, 255});
    effects::brightnessContrast(none, 0.0);
    EXPECT_EQ(none, greyRow({0, 50, 100, 127, 128, 200, 255}));
}

TEST(ColorReplace, PullsNearColoursAndOnlyTheExactOneAtToleranceZero) {
    const RGBColor red{1.0, 0.0, 0.0}, blue{0.0, 0.45, 1.0};
    Bytes strict = {255, 0, 0, 9, 254, 0, 0, 9, 255, 1, 0, 9};
    effects::colorReplace(strict, red, blue, 0.0);
    EXPECT_EQ(strict, (Bytes{0, 115, 255, 9, 254, 0, 0, 9, 255, 1, 0, 9})); // 0.45*255 = 114.75 -> 115

    // T = 79.50114; (230, 20, 10) is at sqrt(1125) = 33.541, w = 0.578104...
    Bytes near = {230, 20, 10, 100, 200, 60, 60, 100, 128, 128, 128, 100};
    effects::colorReplace(near, red, blue, 0.18);
    EXPECT_EQ(near, (Bytes{97, 75, 152, 100, 200, 60, 60, 100, 128, 128, 128, 100}));
}

TEST(Vignette, CornersDarkenByTheStrengthAndTheCentreKeepsItsValue) {
    Bytes r = raster(4, 3, [](auto, auto) { return effects::Pixel{200, 200, 200, 50}; });
    effects::vignette(r, 4, 3, 1.0);
    const int expected[3][4] = {{90, 143, 160, 143}, {125, 178, 196, 178}, {125, 178, 196, 178}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(r[(y * 4 + x) * 4], expected[y][x]) << x << "," << y;
            EXPECT_EQ(r[(y * 4 + x) * 4 + 3], 50);
        }
    Bytes even = raster(4, 4, [](auto, auto) { return effects::Pixel{200, 100, 7, 255}; });
    effects::vignette(even, 4, 4, 1.0);
    EXPECT_EQ(even[(2 * 4 + 2) * 4], 200); // (2, 2) is the centre
    EXPECT_EQ(even[0], 90);
}

TEST(Grain, TooWeakDrawsNothingAndOneLevelMovesTheChannelsTogether) {
    Bytes r = {10, 20, 30, 40, 10, 20, 30, 40, 10, 20, 30, 40, 255, 255, 0, 1};
    const Bytes before = r;
    SplitMix64 g(5);
    effects::grain(r, 0.02, g); // round(0.4) = 0
    EXPECT_EQ(r, before);
    EXPECT_EQ(g.state, 5u);
    effects::grain(r, 0.05, g); // n = 1; seed 5 draws 0, 1, -1, -1
    EXPECT_EQ(r, (Bytes{10, 20, 30, 40, 11, 21, 31, 40, 9, 19, 29, 40, 254, 254, 0, 1}));
    EXPECT_EQ(g.state, 5 + 4 * SplitMix64::gamma);
}

TEST(Noise, TwoDrawsPerChannelAveragedTowardZero) {
    // Seed 9, strength 2 draws 1, 1 | -1, 1 | -1, -2: d = 1, 0, -1 ((-3)/2 truncates to -1).
    Bytes r = {100, 100, 100, 3};
    SplitMix64 g(9);
    effects::noise(r, 2, g);
    EXPECT_EQ(r, (Bytes{101, 100, 99, 3}));
}

TEST(Bilinear, ExactAtPixelsClampedOutsideAndHalfway) {
    const Bytes r = raster(3, 2, [](std::int64_t x, std::int64_t y) {
        return effects::Pixel{std::uint8_t(x * 100), std::uint8_t(y * 255), 9, std::uint8_t(200 + x)};
    });
    auto same = [](effects::Pixel a, effects::Pixel b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; };
    EXPECT_TRUE(same(effects::bilinear(r, 3, 2, 1, 1), {100, 255, 9, 201}));
    EXPECT_TRUE(same(effects::bilinear(r, 3, 2, -5, -5), {0, 0, 9, 200}));
    EXPECT_TRUE(same(effects::bilinear(r, 3, 2, 3 + 3, 0), {200, 0, 9, 202}));
    EXPECT_TRUE(same(effects::bilinear(r, 3, 2, NAN, NAN), {0, 0, 9, 200}));
    EXPECT_TRUE(same(effects::bilinear(r, 3, 2, 0.5, 0.5), {50, 128, 9, 201})); // 127.5 -> 128, 200.5 -> 201

    const Bytes pair = {0, 0, 0, 0, 255, 255, 255, 255};
    EXPECT_TRUE(same(effects::bilinear(pair, 2, 1, 0.5, 0), {128, 128, 128, 128}));
}

Bytes fromList(std::initializer_list<int> values) { return Bytes(values.begin(), values.end()); }

TEST(Warp, ThreePeriodsEachWay) {
    // x*60, y*100, (37x+91y) mod 256, 255-10x; amplitude 0.5 * 3.5. Pixel (3, 0) samples
    // (3, 1.75): G 100 + 0.75*100 = 175, B 202 + 0.75*(37-202) = 78.25.
    const Bytes src = raster(4, 3, [](std::int64_t x, std::int64_t y) {
        return effects::Pixel{std::uint8_t(x * 60), std::uint8_t(y * 100), std::uint8_t((x * 37 + y * 91) % 256),
                              std::uint8_t(255 - x * 10)};
    });
    EXPECT_EQ(effects::warp(src, 4, 3, 0.5 * 3.5),
              fromList({0,   0,   0,   255, 60,  0, 37, 245, 120, 0,   74,  235, 180, 175, 78, 225,
                        0,   100, 91,  255, 60,  0, 37, 245, 120, 100, 165, 235, 180, 200, 37, 225,
                        0,   200, 182, 255, 60,  25, 60, 245, 120, 200, 0,  235, 180, 200, 37, 225}));
}

TEST(Wave, SixPeriodsWithACosineDownTheColumns) {
    const Bytes src = raster(7, 3, [](std::int64_t x, std::int64_t y) {
        return effects::Pixel{std::uint8_t(x * 36), std::uint8_t(y * 120), std::uint8_t((x * 53 + y * 17) % 256),
                              std::uint8_t(255 - x * 20)};
    });
    EXPECT_EQ(effects::wave(src, 7, 3, 0.05 * 12),
              fromList({0,   72,  10,  255, 36,  45,  59,  235, 72,  0,   106, 215, 108, 0,   159, 195, 144, 0,
                        212, 175, 180, 0,   9,   155, 216, 45,  68,  135, 0,   192, 27,  255, 36,  165, 76,  235,
                        72,  104, 121, 215, 108, 55,  167, 195, 144, 55,  220, 175, 180, 104, 24,  155, 216, 165,
                        85,  135, 0,   240, 34,  255, 36,  240, 87,  235, 72,  224, 138, 215, 108, 175, 184, 195,
                        144, 175, 237, 175, 180, 224, 41,  155, 216, 240, 96,  135}));
}

TEST(Twirl, TurnsInsideTheRadiusOnly) {
    // 6 x 6, radius 2.85 around (3, 3), full angle pi/2. Row 0 and column 0 are at distance
    // >= 3 and stay; (3, 3) is the centre and stays.
    const Bytes src = raster(6, 6, [](std::int64_t x, std::int64_t y) {
        return effects::Pixel{std::uint8_t(x * 40 + 3), std::uint8_t(y * 40 + 5), std::uint8_t((x * y * 7) % 256),
                              std::uint8_t(200 + x + y)};
    });
    EXPECT_EQ(effects::twirl(src, 6, 6, M_PI / 2),
              fromList({3,   5,   0,   200, 43,  5,   0,   201, 83,  5,   0,   202, 123, 5,   0,   203, 163, 5,
                        0,   204, 203, 5,   0,   205, 3,   45,  0,   201, 43,  45,  7,   202, 89,  42,  14,  203,
                        134, 46,  23,  204, 169, 48,  31,  205, 203, 45,  35,  206, 3,   85,  0,   202, 46,  79,
                        14,  203, 102, 73,  29,  204, 148, 93,  56,  206, 175, 104, 74,  207, 203, 91,  75,  207,
                        3,   125, 0,   203, 44,  114, 19,  204, 91,  100, 37,  205, 123, 125, 63,  206, 155, 150,
                        96,  207, 202, 136, 114, 208, 3,   165, 0,   204, 40,  159, 25,  205, 71,  146, 42,  205,
                        98,  157, 63,  206, 144, 177, 107, 208, 200, 171, 143, 209, 3,   205, 0,   205, 43,  205,
                        35,  206, 77,  202, 64,  207, 112, 204, 95,  208, 157, 205, 135, 209, 203, 205, 175, 210}));
}

TEST(MotionBlur, SpikeBecomesALineAndDiagonalSamplesBlend) {
    Bytes spike(11 * 3 * 4, 0);
    for (std::size_t i = 3; i < spike.size(); i += 4) spike[i] = 255;
    for (int c = 0; c < 3; ++c) spike[(1 * 11 + 5) * 4 + c] = 255;
    const Bytes line = effects::motionBlur(spike, 11, 3, 2, 0.0);
    for (std::int64_t y = 0; y < 3; ++y)
        for (std::int64_t x = 0; x < 11; ++x) {
            const int expected = (y == 1 && x >= 3 && x <= 7) ? 51 : 0; // 255 / 5
            EXPECT_EQ(line[(y * 11 + x) * 4], expected) << x << "," << y;
            EXPECT_EQ(line[(y * 11 + x) * 4 + 3], 255);
        }

    const Bytes src = raster(3, 3, [](std::int64_t x, std::int64_t y) {
        return effects::Pixel{std::uint8_t((x + 3 * y) * 25), std::uint8_t(255 - (x + 3 * y) * 25),
                              std::uint8_t((x * y * 50) % 256), std::uint8_t(x != 1 ? 255 : 100)};
    });
    EXPECT_EQ(effects::motionBlur(src, 3, 3, 1, 45.0),
              fromList({24,  231, 8,  218, 43,  212, 20, 173, 62,  193, 24, 218, 81,  174, 20, 218, 100, 155,
                        67,  173, 119, 136, 97, 218, 138, 117, 24, 218, 157, 98, 97, 173, 176, 79, 161, 218}));
}

TEST(Distortions, UniformAndSinglePixelImagesPassUnchanged) {
    const Bytes uniform(9 * 7 * 4, 143);
    EXPECT_EQ(effects::warp(uniform, 9, 7, 3.5), uniform);
    EXPECT_EQ(effects::wave(uniform, 9, 7, 12), uniform);
    EXPECT_EQ(effects::twirl(uniform, 9, 7, M_PI / 2), uniform);
    for (double angle : {0.0, 30.0, 90.0, 200.0}) EXPECT_EQ(effects::motionBlur(uniform, 9, 7, 22, angle), uniform);

    const Bytes one = {12, 34, 56, 78};
    EXPECT_EQ(effects::warp(one, 1, 1, 3.5), one);
    EXPECT_EQ(effects::wave(one, 1, 1, 12), one);
    EXPECT_EQ(effects::twirl(one, 1, 1, M_PI / 2), one);
    for (double angle : {0.0, 45.0, 90.0}) EXPECT_EQ(effects::motionBlur(one, 1, 1, 22, angle), one);
}

} // namespace
} // namespace quelso
