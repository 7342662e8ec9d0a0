#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "TestSupport.h"
#include "core/Alpha.h"
#include "core/OpaqueRgb.h"
#include "core/Parallel.h"

namespace quelso {
namespace {

TEST(AlphaConversion, HandComputedVectors) {
    Bytes rgba{64,  0,   255, 128, // unpremultiply: 64 * 255 / 128 = 127.5 -> 128
               1,   2,   3,   2,   // 127.5, 255, 382.5 -> 128, 255, 255 (clamped)
               1,   0,   0,   3,   // 85
               127, 10,  0,   254, // 127 * 255 / 254 = 127.5 -> 128; 10.04 -> 10
               9,   8,   7,   0,   // alpha 0 stays as it is
               200, 100, 50,  255};
    unpremultiply(rgba);
    EXPECT_EQ(rgba,
              (Bytes{128, 0, 255, 128, 128, 255, 255, 2, 85, 0, 0, 3, 128, 10, 0, 254, 9, 8, 7, 0, 200, 100, 50, 255}));
    Bytes straight{255, 0,   0,  1,   // (255 + 127) / 255 = 1
                   255, 128, 7,  128, // 128, (16384 + 127) / 255 = 64, (896 + 127) / 255 = 4
                   9,   8,   7,  0,   // alpha 0 becomes transparent black
                   200, 100, 50, 255};
    premultiply(straight);
    EXPECT_EQ(straight, (Bytes{1, 0, 0, 1, 128, 64, 4, 128, 0, 0, 0, 0, 200, 100, 50, 255}));
}

// Every colour at every alpha, behind an odd run of random pixels so that three parallel
// chunks and the opaque blocks are cut at odd places: the formulas pixel by pixel, and the
// one-pass forms equal to the two passes they stand for.
TEST(AlphaConversion, EveryColourAndAlphaFollowsTheFormulasOnEveryChunk) {
    Bytes every = test::randomPixels(613, 1, 4, 7);
    for (int a = 0; a < 256; ++a)
        for (int c = 0; c < 256; ++c)
            every.insert(every.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(255 - c),
                                       static_cast<std::uint8_t>(c ^ 0x5A), static_cast<std::uint8_t>(a)});
    setWorkerCount(3);
    Bytes pre = every, un = every, onePass = every;
    premultiply(pre);
    unpremultiply(un);
    premultiplyRoundTrip(onePass);
    for (std::size_t i = 0; i < every.size(); ++i) {
        const int a = every[i | 3], c = every[i], colour = i % 4 != 3;
        ASSERT_EQ(pre[i], colour && a != 255 ? (c * a + 127) / 255 : c) << "byte " << i;
        ASSERT_EQ(un[i], colour && a % 255 ? std::min(255, static_cast<int>(std::round(static_cast<float>(c) * 255.0f /
                                                                                       static_cast<float>(a))))
                                           : c)
            << i;
    }
    Bytes colours; // the premultiplied colours without alpha
    for (std::size_t i = 0; i < pre.size(); i += 4)
        colours.insert(colours.end(), pre.begin() + static_cast<std::ptrdiff_t>(i),
                       pre.begin() + static_cast<std::ptrdiff_t>(i + 3));
    unpremultiply(pre);
    EXPECT_EQ(onePass, pre);

    const std::size_t pixels = every.size() / 4;
    Bytes separate(pixels * 3);
    premultipliedColours(every.data(), pixels, separate.data());
    EXPECT_EQ(separate, colours);
    Bytes ranged = every;
    premultiplyRoundTrip(ranged.data(), pixels);
    EXPECT_EQ(ranged, onePass);
    premultipliedColours(every.data(), pixels, every.data()); // packed where it is read
    every.resize(pixels * 3);
    EXPECT_EQ(every, colours);
    setWorkerCount(0);
}

// Widening and packing take four pixels a step where the processor allows: every length and
// offset gives the plain per-pixel bytes, packing stops at the first translucent pixel wherever
// it falls, and the premultiplied colours of runs that mix both are right.
TEST(OpaqueRgb, WideningAndPackingMatchThePlainLoopAtEveryLengthAndStop) {
    const Bytes rgb = test::randomPixels(41, 1, 3, 3);
    for (std::size_t n = 0; n <= 41; ++n) {
        Bytes wide(n * 4 + 1, 7), plain(n * 4 + 1, 7);
        widenToRgba(rgb.data(), n, wide.data());
        for (std::size_t i = 0; i < n; ++i) {
            std::copy_n(&rgb[i * 3], 3, &plain[i * 4]);
            plain[i * 4 + 3] = 255;
        }
        ASSERT_EQ(wide, plain) << n << " pixels, and the byte after them untouched";
    }
    for (std::size_t stop = 0; stop <= 41; ++stop) {
        Bytes rgba = test::randomPixels(41, 1, 4, 5);
        for (std::size_t i = 0; i < 41; ++i) rgba[i * 4 + 3] = i == stop ? 254 : 255;
        Bytes packed(41 * 3, 7);
        ASSERT_EQ(packOpaqueRun(rgba.data(), 41, packed.data()), stop);
        for (std::size_t i = 0; i < 41 * 3; ++i)
            ASSERT_EQ(packed[i], i < stop * 3 ? rgba[i / 3 * 4 + i % 3] : 7) << "stop " << stop << " byte " << i;
        Bytes colours(41 * 3);
        premultipliedColours(rgba.data(), 41, colours.data());
        for (std::size_t i = 0; i < 41 * 3; ++i)
            ASSERT_EQ(colours[i], premultiplied(rgba[i / 3 * 4 + i % 3], rgba[i / 3 * 4 + 3])) << stop << " " << i;
    }
}

} // namespace
} // namespace quelso
