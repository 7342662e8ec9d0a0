#include "watermark/VisibleOverlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>

#include "TestImages.h"
#include "TestSupport.h"

namespace quelso {
namespace {

Bytes opaqueRandom(int w, int h, std::uint64_t seed, int maxValue) {
    Bytes out = test::randomPixels(w, h, 4, seed);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = i % 4 == 3 ? 255 : static_cast<std::uint8_t>(out[i] % (maxValue + 1));
    return out;
}

TEST(VisibleOverlay, TextCoversEveryPartWithOnePatternWhateverThePixelsAndThreads) {
    const int W = 600, H = 400;
    const auto content = WatermarkContent::text("QUELSO سلام");
    const Bytes noisyOriginal = opaqueRandom(W, H, 5, 120);
    // Batch items run on several threads at once, each with its own fonts and contexts.
    std::vector<Bytes> rasters{test::solidPixels(W, H, {0, 0, 0, 255}), test::solidPixels(W, H, {0, 0, 0, 255}),
                               noisyOriginal};
    std::vector<std::thread> threads;
    for (Bytes& r : rasters)
        threads.emplace_back([&r, &content] { Watermark::applyVisibleOverlay(r, W, H, content, 0.25); });
    for (std::thread& t : threads) t.join();
    const Bytes& black = rasters[0];
    EXPECT_EQ(rasters[1], black);
    // Rows lie 90 apart (M = 600, size 30): every 100 x 100 block meets text.
    for (int by = 0; by < H; by += 100)
        for (int bx = 0; bx < W; bx += 100) {
            int drawn = 0;
            for (int i = 0; i < 100 * 100; ++i)
                drawn += black[static_cast<std::size_t>(((by + i / 100) * W + bx + i % 100) * 4)] != 0;
            EXPECT_GT(drawn, 100) << "block " << bx << "," << by;
        }
    // White text at a quarter's opacity: black moves at most a quarter of the way (65), alpha
    // never; the noisy picture moves towards white by the share that black shows.
    for (std::size_t i = 0; i < black.size(); i += 4) {
        ASSERT_LE(*std::max_element(&black[i], &black[i] + 3), 65) << i / 4;
        ASSERT_EQ(black[i + 3] & rasters[2][i + 3], 255) << i / 4;
        ASSERT_NEAR(black[i] / 255.0, (rasters[2][i] - noisyOriginal[i]) / (255.0 - noisyOriginal[i]), 0.02) << i / 4;
    }
}

TEST(VisibleOverlay, ImageTilesSitOnTheTurnedGrid) {
    test::TempDir dir;
    ASSERT_TRUE(test::writeImage(dir.file("tile.png"), test::solidPixels(10, 10, {255, 0, 0, 255}), 10, 10, 4));
    const int W = 500, H = 500;
    Bytes raster = test::solidPixels(W, H, {0, 0, 0, 255});
    Watermark::applyVisibleOverlay(raster, W, H, WatermarkContent::image(test::readFile(dir.file("tile.png"))), 1.0);
    // M = 500: square tiles of tw = 110, columns 1.8 tw apart, rows 2 tw apart, from (-M, -M) of a
    // frame turned 30 degrees clockwise about the centre. Each tile's centre is red, the middles of
    // the gaps to its right and above it are not.
    const double tw = 500 * 0.22, turn = -std::numbers::pi / 6;
    int tilesSeen = 0;
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 8; ++col)
            for (auto [dx, dy, red] : {std::tuple{0.5, 0.5, true}, {1.4, 0.5, false}, {0.5, 1.5, false}}) {
                const double fx = (col * 1.8 + dx) * tw - 750, fy = (row * 2 + dy) * tw - 750; // from the centre
                const double px = 250 + fx * std::cos(turn) - fy * std::sin(turn);
                const double py = 250 + fx * std::sin(turn) + fy * std::cos(turn);
                if (px < 0 || px >= W || py < 0 || py >= H) continue;
                const std::size_t i = static_cast<std::size_t>(
                    ((H - 1 - static_cast<int>(py)) * W + static_cast<int>(px)) * 4); // y upwards
                EXPECT_EQ(raster[i] == 255 && raster[i + 1] == 0, red) << col << "," << row << " +" << dx << ",+" << dy;
                tilesSeen += red;
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
