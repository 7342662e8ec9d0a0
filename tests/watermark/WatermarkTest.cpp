#include <gtest/gtest.h>

#include "watermark/Watermark.h"

namespace quelso {
namespace {

Bytes greyRaster(std::int64_t pixels, std::uint8_t value = 0x80) {
    Bytes rgba(static_cast<std::size_t>(pixels * 4), value);
    for (std::int64_t p = 0; p < pixels; ++p) rgba[p * 4 + 3] = 255;
    return rgba;
}

TEST(WatermarkRecord, TextAndImageRecordsHaveTheDocumentedBytes) {
    const auto text = Watermark::buildRecord(WatermarkContent::text("abc"));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->type, 0);
    EXPECT_EQ(text->bytes, (Bytes{0x4D, 0x4F, 0x54, 0x31, 0x00, 0x00, 0x00, 0x00, 0x03, 0x61, 0x62, 0x63}));
    // An image is type 1; the length is big-endian.
    const auto image = Watermark::buildRecord(WatermarkContent::image(Bytes(0x0102, 7)));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->type, 1);
    EXPECT_EQ(image->bytes.size(), 9u + 0x0102);
    EXPECT_EQ(Bytes(image->bytes.begin(), image->bytes.begin() + 10),
              (Bytes{0x4D, 0x4F, 0x54, 0x31, 1, 0, 0, 1, 2, 7}));
    EXPECT_FALSE(Watermark::buildRecord(WatermarkContent::none()));
}

// "abc" makes a 96-bit record: 32 pixels hold it, 31 do not and stay untouched; more hold
// repeated copies that read back the same.
TEST(WatermarkEmbed, RecordsGoInWhereTheyFitAndReadBackFromExactOrRepeatedCopies) {
    for (auto [pixels, text] : {std::pair<std::int64_t, const char*>{1, "a"},
                                {31, "abc"},
                                {32, "abc"},
                                {33, "abc"},
                                {1000, "abc"},
                                {4099, "abc"}}) {
        Bytes rgba = greyRaster(pixels);
        const Bytes before = rgba;
        ASSERT_EQ(Watermark::embed(rgba, pixels, 1, WatermarkContent::text(text)), pixels >= 32) << pixels;
        if (pixels < 32) {
            EXPECT_EQ(rgba, before);
            continue;
        }
        const auto found = Watermark::extract(rgba, pixels, 1);
        ASSERT_TRUE(found) << pixels;
        EXPECT_EQ(found->type, 0);
        EXPECT_EQ(found->payload, (Bytes{'a', 'b', 'c'}));
    }
    Bytes grey = greyRaster(32);
    EXPECT_FALSE(Watermark::embed(grey, 32, 1, WatermarkContent::none()));
}

// Bit k of the repeated record, most significant bit first, goes to bit 0 of colour channel
// k; alpha and the upper seven bits stay as they were.
TEST(WatermarkEmbed, RecordRepeatsAcrossTheWholeRasterInBitZeroOnly) {
    const std::int64_t w = 37, h = 29; // not a multiple of the record length
    Bytes rgba = greyRaster(w * h, 0x55);
    const Bytes before = rgba;
    ASSERT_TRUE(Watermark::embed(rgba, w, h, WatermarkContent::text("abc")));
    const Bytes rec = Watermark::buildRecord(WatermarkContent::text("abc"))->bytes;
    for (std::int64_t k = 0; k < w * h * 3; ++k) {
        const int expected = (rec[(k / 8) % rec.size()] >> (7 - k % 8)) & 1;
        ASSERT_EQ(rgba[(k / 3) * 4 + k % 3], (before[(k / 3) * 4 + k % 3] & 0xFE) | expected) << "bit " << k;
    }
    for (std::int64_t p = 0; p < w * h; ++p) ASSERT_EQ(rgba[p * 4 + 3], 255) << "alpha must never change";
}

TEST(WatermarkExtract, RefusesWhatIsNotAWholeRecord) {
    // Fewer than 27 pixels cannot hold the header and one payload byte.
    Bytes tiny = greyRaster(26);
    EXPECT_FALSE(Watermark::extract(tiny, 26, 1));
    // An untouched raster has no magic.
    Bytes plain = greyRaster(100);
    EXPECT_FALSE(Watermark::extract(plain, 10, 10));

    // A header claiming more payload than the raster holds.
    Bytes bigger = greyRaster(1000);
    ASSERT_TRUE(Watermark::embed(bigger, 1000, 1, WatermarkContent::text(std::string(40, 'x'))));
    // Reinterpret: only 100 pixels = 300 bits, but the record needs 72 + 320.
    EXPECT_FALSE(Watermark::extract(bigger, 100, 1));

    // A zero length field.
    Bytes zero = greyRaster(200);
    const Bytes header{0x4D, 0x4F, 0x54, 0x31, 0, 0, 0, 0, 0};
    for (std::size_t k = 0; k < header.size() * 8; ++k) {
        std::uint8_t& channel = zero[(k / 3) * 4 + k % 3];
        channel = static_cast<std::uint8_t>((channel & 0xFE) | ((header[k / 8] >> (7 - k % 8)) & 1));
    }
    EXPECT_FALSE(Watermark::extract(zero, 200, 1));
}

TEST(WatermarkExtract, OnlyTheBitsOfTheFirstCopyMatter) {
    const std::int64_t pixels = 400;
    Bytes rgba = greyRaster(pixels);
    ASSERT_TRUE(Watermark::embed(rgba, pixels, 1, WatermarkContent::text("hello")));
    const std::int64_t recordBits = (9 + 5) * 8;
    Bytes changedBit1 = rgba;
    for (std::int64_t p = 0; p < pixels; ++p) changedBit1[p * 4] ^= 0x02; // the force-change flip
    ASSERT_TRUE(Watermark::extract(changedBit1, pixels, 1));

    Bytes afterRecord = rgba;
    afterRecord[(recordBits / 3 + 1) * 4] ^= 1;
    ASSERT_TRUE(Watermark::extract(afterRecord, pixels, 1));

    Bytes insideRecord = rgba;
    insideRecord[(recordBits / 3 - 1) * 4 + 1] ^= 1;
    const auto corrupted = Watermark::extract(insideRecord, pixels, 1);
    EXPECT_TRUE(!corrupted || corrupted->payload != Bytes({'h', 'e', 'l', 'l', 'o'}));
}

} // namespace
} // namespace quelso
