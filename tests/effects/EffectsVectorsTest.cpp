// Hand-computed and independently computed (outside this code base) values for the effects
// on tiny rasters. The generator's draws are pinned by the hand-computed colour shift and noise
// of ProcessorTest.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "effects/Effects.h"

namespace quelso {
namespace {

struct Px {
    int r, g, b, a;
};

// A raster from (x, y) -> R, G, B, A.
Bytes pattern(int w, int h, const std::function<Px(int, int)>& f) {
    Bytes out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Px p = f(x, y);
            out.insert(out.end(), {static_cast<std::uint8_t>(p.r), static_cast<std::uint8_t>(p.g),
                                   static_cast<std::uint8_t>(p.b), static_cast<std::uint8_t>(p.a)});
        }
    return out;
}

// Grey pixels with the given values and alpha 7, 8, 9, ... so that a change of alpha shows.
Bytes grey(std::vector<int> v) {
    return pattern(static_cast<int>(v.size()), 1, [&](int x, int) { return Px{v[x], v[x], v[x], 7 + x}; });
}

using I = std::int64_t;
using Fn = std::function<void(Bytes&, I, I)>;

TEST(Effects, HandAndIndependentlyComputedVectors) {
    const Fn blur = [](Bytes& b, I w, I h) { effects::boxBlur(b, w, h, 1); };
    const RGBColor red{1.0, 0.0, 0.0}, blue{0.0, 0.45, 1.0};
    const struct {
        const char* name;
        I w, h;
        Fn fn;
        Bytes in, out;
    } cases[] = {
        // 255 div 3, truncated; alpha as it was. One pixel wide, only the vertical pass acts.
        {"blur spike", 5, 1, blur, grey({0, 0, 255, 0, 0}), grey({0, 85, 85, 85, 0})},
        {"blur column", 1, 3, blur, grey({0, 90, 0}), grey({30, 30, 30})},
        {"blur one pixel", 1, 1, blur, grey({9}), grey({9})},
        // Blurred 30, 30, 96, 133, 200; k = 0.6: 0.6*(c-b)+c = -18, 126, -57.6, 240.2, 201.6.
        {"sharpen", 5, 1, [](Bytes& b, I w, I h) { effects::sharpen(b, w, h, 0.5); }, grey({0, 90, 0, 200, 201}),
         grey({0, 126, 0, 240, 202})},
        // g = 1.06, b = 2; then g = 1.12, b = 4: 50 -> 40.64 + 4 = 44.64 -> 45.
        {"contrast half", 7, 1, [](Bytes& b, I, I) { effects::brightnessContrast(b, 0.5); },
         grey({0, 50, 100, 127, 128, 200, 255}), grey({0, 47, 100, 129, 130, 206, 255})},
        {"contrast full", 7, 1, [](Bytes& b, I, I) { effects::brightnessContrast(b, 1.0); },
         grey({0, 50, 100, 127, 128, 200, 255}), grey({0, 45, 101, 131, 132, 213, 255})},
        // Corners darkened by 0.55: 200 -> 90.
        {"vignette", 4, 3, [](Bytes& b, I w, I h) { effects::vignette(b, w, h, 1.0); },
         grey({200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200}),
         grey({90, 143, 160, 143, 125, 178, 196, 178, 125, 178, 196, 178})},
        // Tolerance 0 still means T = 1: only the exact colour goes (0.45 * 255 = 114.75 -> 115).
        {"replace exact",
         3,
         1,
         [&](Bytes& b, I, I) { effects::colorReplace(b, red, blue, 0); },
         {255, 0, 0, 9, 254, 0, 0, 9, 255, 1, 0, 9},
         {0, 115, 255, 9, 254, 0, 0, 9, 255, 1, 0, 9}},
        // T = 79.50114; (230, 20, 10) is at sqrt(1125) = 33.541, w = 0.578104...
        {"replace near",
         3,
         1,
         [&](Bytes& b, I, I) { effects::colorReplace(b, red, blue, 0.18); },
         {230, 20, 10, 100, 200, 60, 60, 100, 128, 128, 128, 100},
         {97, 75, 152, 100, 200, 60, 60, 100, 128, 128, 128, 100}},
        // Pixel (3, 0) samples (3, 1.75): G 100 + 0.75*100 = 175, B 202 + 0.75*(37-202) = 78.25.
        {"warp",
         4,
         3,
         [](Bytes& b, I w, I h) { b = effects::warp(b, w, h, 0.5 * 3.5); },
         pattern(4, 3,
                 [](int x, int y) {
                     return Px{x * 60, y * 100, (x * 37 + y * 91) % 256, 255 - x * 10};
                 }),
         {0, 0,   0,   255, 60, 0,  37, 245, 120, 0,   74,  235, 180, 175, 78, 225,
          0, 100, 91,  255, 60, 0,  37, 245, 120, 100, 165, 235, 180, 200, 37, 225,
          0, 200, 182, 255, 60, 25, 60, 245, 120, 200, 0,   235, 180, 200, 37, 225}},
        {"wave",
         7,
         3,
         [](Bytes& b, I w, I h) { b = effects::wave(b, w, h, 0.05 * 12); },
         pattern(7, 3,
                 [](int x, int y) {
                     return Px{x * 36, y * 120, (x * 53 + y * 17) % 256, 255 - x * 20};
                 }),
         {0,   72,  10,  255, 36,  45,  59,  235, 72,  0,   106, 215, 108, 0,   159, 195, 144, 0,   212, 175, 180,
          0,   9,   155, 216, 45,  68,  135, 0,   192, 27,  255, 36,  165, 76,  235, 72,  104, 121, 215, 108, 55,
          167, 195, 144, 55,  220, 175, 180, 104, 24,  155, 216, 165, 85,  135, 0,   240, 34,  255, 36,  240, 87,
          235, 72,  224, 138, 215, 108, 175, 184, 195, 144, 175, 237, 175, 180, 224, 41,  155, 216, 240, 96,  135}},
        // Radius 2.85 around (3, 3): row 0 and column 0 lie beyond it and stay, (3, 3) is the centre.
        {"twirl",
         6,
         6,
         [](Bytes& b, I w, I h) { b = effects::twirl(b, w, h, M_PI / 2); },
         pattern(6, 6,
                 [](int x, int y) {
                     return Px{x * 40 + 3, y * 40 + 5, x * y * 7 % 256, 200 + x + y};
                 }),
         {3,   5,   0,   200, 43,  5,   0,   201, 83,  5,   0,   202, 123, 5,   0,   203, 163, 5,   0,   204, 203,
          5,   0,   205, 3,   45,  0,   201, 43,  45,  7,   202, 89,  42,  14,  203, 134, 46,  23,  204, 169, 48,
          31,  205, 203, 45,  35,  206, 3,   85,  0,   202, 46,  79,  14,  203, 102, 73,  29,  204, 148, 93,  56,
          206, 175, 104, 74,  207, 203, 91,  75,  207, 3,   125, 0,   203, 44,  114, 19,  204, 91,  100, 37,  205,
          123, 125, 63,  206, 155, 150, 96,  207, 202, 136, 114, 208, 3,   165, 0,   204, 40,  159, 25,  205, 71,
          146, 42,  205, 98,  157, 63,  206, 144, 177, 107, 208, 200, 171, 143, 209, 3,   205, 0,   205, 43,  205,
          35,  206, 77,  202, 64,  207, 112, 204, 95,  208, 157, 205, 135, 209, 203, 205, 175, 210}},
        // A white pixel on black becomes a line of 2n + 1 pixels of 255 / 5.
        {"motion spike", 11, 3, [](Bytes& b, I w, I h) { b = effects::motionBlur(b, w, h, 2, 0); },
         pattern(11, 3,
                 [](int x, int y) {
                     return x == 5 && y == 1 ? Px{255, 255, 255, 255} : Px{0, 0, 0, 255};
                 }),
         pattern(11, 3,
                 [](int x, int y) {
                     return y == 1 && x > 2 && x < 8 ? Px{51, 51, 51, 255} : Px{0, 0, 0, 255};
                 })},
        {"motion diagonal",
         3,
         3,
         [](Bytes& b, I w, I h) { b = effects::motionBlur(b, w, h, 1, 45); },
         pattern(3, 3,
                 [](int x, int y) {
                     return Px{(x + 3 * y) * 25, 255 - (x + 3 * y) * 25, x * y * 50 % 256, x != 1 ? 255 : 100};
                 }),
         {24, 231, 8,   218, 43, 212, 20,  173, 62, 193, 24,  218, 81, 174, 20,  218, 100, 155,
          67, 173, 119, 136, 97, 218, 138, 117, 24, 218, 157, 98,  97, 173, 176, 79,  161, 218}},
        // Samples at a pixel, beyond each corner, at NaN, and half way (127.5 -> 128, 200.5 -> 201).
        {"bilinear",
         3,
         2,
         [](Bytes& b, I w, I h) {
             Bytes samples;
             for (auto [x, y] : {std::pair{1.0, 1.0}, {-5.0, -5.0}, {6.0, 0.0}, {NAN, NAN}, {0.5, 0.5}}) {
                 const effects::Pixel p = effects::bilinear(b, w, h, x, y);
                 samples.insert(samples.end(), {p.r, p.g, p.b, p.a});
             }
             b = samples;
         },
         pattern(3, 2,
                 [](int x, int y) {
                     return Px{x * 100, y * 255, 9, 200 + x};
                 }),
         {100, 255, 9, 201, 0, 0, 9, 200, 200, 0, 9, 202, 0, 0, 9, 200, 50, 128, 9, 201}},
    };
    for (const auto& c : cases) {
        Bytes raster = c.in;
        c.fn(raster, c.w, c.h);
        EXPECT_EQ(raster, c.out) << c.name;
    }
}

} // namespace
} // namespace quelso
