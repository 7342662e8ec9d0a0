#include "watermark/VisibleOverlay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>
#include <thread>
#include <vector>

#include "TestSupport.h"

namespace quelso {
namespace {

Bytes opaqueRandom(int w, int h, std::uint64_t seed, int maxValue) {
    Bytes out = test::randomPixels(w, h, 4, seed);
    for (std::size_t i = 0; i < out.size(); i += 4) {
        for (int c = 0; c < 3; ++c) out[i + c] = std::uint8_t(out[i + c] % (maxValue + 1));
        out[i + 3] = 255;
    }
    return out;
}

TEST(VisibleOverlay, FaintWhiteTextMovesPixelsAtMostItsOpacityTowardsWhite) {
    const int W = 400, H = 300;
    const Bytes original = opaqueRandom(W, H, 3, 255);
    Bytes raster = original;
    Watermark::applyVisibleOverlay(raster, W, H, WatermarkContent::text("Quelso sample"), 0.04);
    std::size_t changed = 0;
    for (std::size_t i = 0; i < raster.size(); i += 4) {
        ASSERT_EQ(raster[i + 3], 255);
        for (int c = 0; c < 3; ++c) {
            const int was = original[i + c], now = raster[i + c];
            ASSERT_GE(now, was);
            ASSERT_LE(now - was, std::ceil(0.04 * (255 - was)) + 1) << "byte " << i + c;
        }
        changed += std::memcmp(&raster[i], &original[i], 4) != 0;
    }
    EXPECT_GT(changed, std::size_t(W * H / 50));
}

TEST(VisibleOverlay, TextCoversEveryPartOfThePictureWhateverItsPixels) {
    const int W = 1200, H = 800;
    const auto content = WatermarkContent::text("QUELSO");
    Bytes black = test::solidPixels(W, H, {0, 0, 0, 255});
    const Bytes noisyOriginal = opaqueRandom(W, H, 5, 120);
    Bytes noisy = noisyOriginal;
    Watermark::applyVisibleOverlay(black, W, H, content, 0.25);
    Watermark::applyVisibleOverlay(noisy, W, H, content, 0.25);

    // Rows lie 180 apart (M = 1200, size 60): every 200 x 200 block meets text.
    for (int by = 0; by < H; by += 200)
        for (int bx = 0; bx < W; bx += 200) {
            int drawn = 0;
            for (int y = by; y < by + 200; ++y)
                for (int x = bx; x < bx + 200; ++x) drawn += black[std::size_t((y * W + x) * 4)] != 0;
            EXPECT_GT(drawn, 100) << "block " << bx << "," << by;
        }

    // Same coverage on both pictures: black shows it directly, the noisy one relative to
    // each pixel's distance from white.
    for (std::size_t i = 0; i < black.size(); i += 4) {
        const double onBlack = black[i] / 255.0;
        const double onNoisy = (noisy[i] - noisyOriginal[i]) / (255.0 - noisyOriginal[i]);
        ASSERT_NEAR(onBlack, onNoisy, 0.02) << "pixel " << i / 4;
    }
}

TEST(VisibleOverlay, ConcurrentCallsDrawTheSamePattern) {
    // Batch items run on several threads at once, each with its own fonts and contexts.
    const int W = 320, H = 240;
    std::vector<Bytes> rasters(4, test::solidPixels(W, H, {0, 0, 0, 255}));
    std::vector<std::thread> threads;
    for (Bytes& r : rasters)
        threads.emplace_back([&r] {
            Watermark::applyVisibleOverlay(r, W, H, WatermarkContent::text("Quelso سلام"), 0.1);
        });
    for (std::thread& t : threads) t.join();
    EXPECT_NE(rasters[0], test::solidPixels(W, H, {0, 0, 0, 255}));
    for (const Bytes& r : rasters) EXPECT_EQ(r, rasters[0]);
}

TEST(VisibleOverlay, RightToLeftTextIsDrawn) {
    const int W = 300, H = 200;
    Bytes raster = test::solidPixels(W, H, {0, 0, 0, 255});
    Watermark::applyVisibleOverlay(raster, W, H, WatermarkContent::text("سلام دنیا"), 0.5);
    int drawn = 0;
    for (std::size_t i = 0; i < raster.size(); i += 4) drawn += raster[i] != 0;
    EXPECT_GT(drawn, W * H / 50);
}

TEST(VisibleOverlay, ImageTilesSitOnTheTurnedGrid) {
    test::TempDir dir;
    ASSERT_TRUE(test::writeImage(dir.file("tile.png"), test::solidPixels(10, 10, {255, 0, 0, 255}),
                                 10, 10, 4));
    const auto content = WatermarkContent::image(test::readFile(dir.file("tile.png")));
    const int W = 1000, H = 1000;
    Bytes raster = test::solidPixels(W, H, {0, 0, 0, 255});
    Watermark::applyVisibleOverlay(raster, W, H, content, 1.0);

    // M = 1000: tiles 220 x 220, columns 396 apart, rows 440 apart, from (-1000, -1000) of a
    // frame turned 30 degrees clockwise about the centre.
    const double turn = -std::numbers::pi / 6;
    auto redAt = [&](double fx, double fy) -> std::optional<bool> {
        const double dx = fx - 500, dy = fy - 500;
        const double px = 500 + dx * std::cos(turn) - dy * std::sin(turn);
        const double py = 500 + dx * std::sin(turn) + dy * std::cos(turn);
        if (px < 0 || px >= W || py < 0 || py >= H) return std::nullopt;
        const std::size_t i = std::size_t(((H - 1 - int(py)) * W + int(px)) * 4);
        return raster[i] == 255 && raster[i + 1] == 0;
    };
    int tilesSeen = 0;
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 8; ++col) {
            const double x = -1000 + col * 396.0, y = -1000 + row * 440.0;
            if (auto centre = redAt(x + 110, y + 110)) {
                EXPECT_TRUE(*centre) << "tile " << col << "," << row;
                ++tilesSeen;
            }
            if (auto gapRight = redAt(x + 308, y + 110)) {
                EXPECT_FALSE(*gapRight);
            }
            if (auto gapAbove = redAt(x + 110, y + 330)) {
                EXPECT_FALSE(*gapAbove);
            }
        }
    EXPECT_GE(tilesSeen, 4);

    // Content that does not decode draws nothing.
    const Bytes before = test::solidPixels(W, H, {9, 9, 9, 255});
    Bytes untouched = before;
    Watermark::applyVisibleOverlay(untouched, W, H, WatermarkContent::image(Bytes{1, 2, 3}), 1.0);
    EXPECT_EQ(untouched, before);
}

} // namespace
} // namespace quelso
