#include <gtest/gtest.h>

#include "watermark/Watermark.h"

namespace quelso {
namespace {

Bytes greyRaster(std::int64_t pixels, std::uint8_t value = 0x80) {
    Bytes rgba(static_cast<std::size_t>(pixels * 4), value);
    for (std::int64_t p = 0; p < pixels; ++p) rgba[p * 4 + 3] = 255;
    return rgba;
}

TEST(WatermarkRecord, TextAbcHasTheDocumentedBytes) {
    const auto record = Watermark::buildRecord(WatermarkContent::text("abc"));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->type, 0);
    EXPECT_EQ(record->bytes, (Bytes{0x4D, 0x4F, 0x54, 0x31, 0x00, 0x00, 0x00, 0x00, 0x03, 0x61, 0x62, 0x63}));
    EXPECT_FALSE(Watermark::buildRecord(WatermarkContent::none()));
}

TEST(WatermarkRecord, ImagePayloadIsTypeOneWithBigEndianLength) {
    Bytes png(0x0102, 7);
    const auto record = Watermark::buildRecord(WatermarkContent::image(png));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->type, 1);
    EXPECT_EQ(record->bytes.size(), 9u + 0x0102);
    EXPECT_EQ(record->bytes[4], 1);
    EXPECT_EQ(record->bytes[7], 0x01);
    EXPECT_EQ(record->bytes[8], 0x02);
}

TEST(WatermarkEmbed, CapacityDecidesWhetherTheRecordGoesIn) {
    Bytes small = greyRaster(31);
    const Bytes before = small;
    EXPECT_FALSE(Watermark::embed(small, 31, 1, WatermarkContent::text("abc")));
    EXPECT_EQ(small, before);
    Bytes one = greyRaster(1);
    EXPECT_FALSE(Watermark::embed(one, 1, 1, WatermarkContent::text("a")));
    Bytes exact = greyRaster(32);
    EXPECT_TRUE(Watermark::embed(exact, 32, 1, WatermarkContent::text("abc")));
    EXPECT_FALSE(Watermark::embed(exact, 32, 1, WatermarkContent::none()));
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

TEST(WatermarkExtract, ExactAndRepeatedRastersReadTheSameRecord) {
    for (std::int64_t pixels : {32, 33, 1000, 4099}) {
        Bytes rgba = greyRaster(pixels);
        ASSERT_TRUE(Watermark::embed(rgba, pixels, 1, WatermarkContent::text("abc")));
        const auto found = Watermark::extract(rgba, pixels, 1);
        ASSERT_TRUE(found) << pixels;
        EXPECT_EQ(found->type, 0);
        EXPECT_EQ(found->payload, (Bytes{'a', 'b', 'c'}));
    }
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
