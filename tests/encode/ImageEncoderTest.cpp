#include "encode/ImageEncoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TestSupport.h"
#include "encode/JpegIcc.h"
#include "platform/ImageCodec.h"

namespace quelso {
namespace {

ProcessingSettings settingsFor(OutputFormat format, double quality) {
    ProcessingSettings settings;
    settings.outputFormat = format;
    settings.quality = quality;
    return settings;
}

std::optional<Bytes> encode(const Bytes& rgba, std::int64_t width, std::int64_t height, OutputFormat format,
                            double quality) {
    return ImageEncoder::encode(rgba, width, height, settingsFor(format, quality));
}

// Encodes and decodes again; the codec formats must come back tagged with the standard sRGB profile.
std::optional<PixelImage> roundTrip(const Bytes& rgba, int width, int height, OutputFormat format, double quality) {
    const auto encoded = encode(rgba, width, height, format, quality);
    const auto image = encoded ? ImageCodec::decodeBytes(encoded->data(), encoded->size()) : std::nullopt;
    EXPECT_TRUE(image && image->iccData == ImageCodec::srgbProfile());
    return image;
}

// Columns of (200, 100, 50) with alpha 255, 128 and 0 in turn.
Bytes mixedAlpha(int width, int height) {
    Bytes rgba;
    const std::uint8_t alphas[] = {255, 128, 0};
    for (int i = 0; i < width * height; ++i) rgba.insert(rgba.end(), {200, 100, 50, alphas[i % 3]});
    return rgba;
}

TEST(ImageEncoder, WebPIsLosslessAndExactOnlyWhenTheInvisibleWatermarkHasContent) {
    Bytes rgba = test::randomPixels(17, 11, 4, 3);
    for (std::size_t i = 3; i < rgba.size(); i += 16) rgba[i] = 0; // transparent pixels whose colours must survive
    for (auto [invisible, text] : {std::pair{true, "Hi"}, {true, ""}, {false, "Hi"}}) {
        ProcessingSettings settings = settingsFor(OutputFormat::webp, 60);
        settings.invisible = invisible;
        settings.watermarkText = text;
        const auto webp = ImageEncoder::encode(rgba, 17, 11, settings);
        const auto decoded = webp ? ImageCodec::decodeBytes(webp->data(), webp->size()) : std::nullopt;
        ASSERT_TRUE(decoded) << invisible << text;
        const bool lossless = invisible && *text;
        EXPECT_EQ(std::string(webp->begin() + 12, webp->begin() + 16), lossless ? "VP8L" : "VP8X") << text;
        EXPECT_EQ(decoded->rgba == rgba, lossless) << invisible << text;
    }
    // The quality reaches libwebp; outside 0..100 it fails.
    auto webp = [&](double quality) { return encode(rgba, 17, 11, OutputFormat::webp, quality); };
    EXPECT_LT(webp(10)->size(), webp(95)->size());
    for (double quality : {101.0, -1.0, 100.5, std::nan(""), 1e300}) EXPECT_FALSE(webp(quality)) << quality;
}

TEST(ImageEncoder, RefusesRastersThatDoNotMatchTheirSize) {
    const Bytes rgba(8 * 8 * 4, 90);
    const std::int64_t big = std::numeric_limits<std::int64_t>::max();
    for (OutputFormat format : OutputFormats::allCases) {
        for (auto [w, h] : {std::pair<std::int64_t, std::int64_t>{8, 9}, {0, 8}, {-8, -8}, {1ll << 31, 1}, {big, 2}})
            EXPECT_FALSE(encode(rgba, w, h, format, 80)) << w << "x" << h;
        EXPECT_TRUE(encode(rgba, 4, 8, format, 80)); // bytes past width * height * 4 are ignored
    }
}

// A raster handed over is premultiplied in place or freed early, but the file is the same.
TEST(ImageEncoder, AHandedOverRasterGivesTheSameBytesInEveryFormat) {
    Bytes rgba = test::randomPixels(19, 7, 4, 4);
    for (std::size_t i = 3; i < rgba.size(); i += 12) rgba[i] = static_cast<std::uint8_t>(i % 256);
    for (OutputFormat format : OutputFormats::allCases)
        for (const char* text : {"", "Hi"}) {
            ProcessingSettings settings = settingsFor(format, 80);
            settings.invisible = true;
            settings.watermarkText = text;
            const auto kept = ImageEncoder::encode(rgba, 19, 7, settings);
            ASSERT_TRUE(kept);
            EXPECT_EQ(ImageEncoder::encode(Bytes(rgba), 19, 7, settings), kept) << OutputFormats::fileExtension(format);
        }
}

// Alpha 128 over (200, 100, 50): premultiplied (100, 50, 25), back to straight (199, 100, 50).
TEST(ImageEncoder, PngGetsThePremultipliedRoundTripAndIgnoresQuality) {
    const Bytes rgba = mixedAlpha(9, 4);
    EXPECT_EQ(encode(rgba, 9, 4, OutputFormat::png, 5), encode(rgba, 9, 4, OutputFormat::png, 150));
    const auto image = roundTrip(rgba, 9, 4, OutputFormat::png, 5);
    ASSERT_TRUE(image);
    EXPECT_EQ(test::pixelAt(image->rgba, image->width, 3, 1), (std::array<int, 4>{200, 100, 50, 255}));
    EXPECT_EQ(test::pixelAt(image->rgba, image->width, 4, 1), (std::array<int, 4>{199, 100, 50, 128}));
    EXPECT_EQ(test::pixelAt(image->rgba, image->width, 5, 1), (std::array<int, 4>{0, 0, 0, 0}));
    Bytes opaque = test::randomPixels(31, 17, 4, 9);
    for (std::size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
    EXPECT_EQ(roundTrip(opaque, 31, 17, OutputFormat::png, 70)->rgba, opaque);
}

TEST(ImageEncoder, JpegShowsThePictureOverBlackAndClampsQuality) {
    const auto image = roundTrip(mixedAlpha(48, 16), 48, 16, OutputFormat::jpeg, 95);
    ASSERT_TRUE(image);
    // JPEG blurs the 1-pixel columns into each other; over black, red averages (200 + 100 + 0) / 3.
    double red = 0;
    for (std::size_t i = 0; i < image->rgba.size(); i += 4) {
        red += image->rgba[i];
        ASSERT_EQ(image->rgba[i + 3], 255);
    }
    EXPECT_NEAR(red / (48 * 16), 100, 4);
    const Bytes pixels = test::randomPixels(16, 16, 4, 2);
    auto jpeg = [&](double quality) { return encode(pixels, 16, 16, OutputFormat::jpeg, quality); };
    EXPECT_EQ(jpeg(150), jpeg(100));
    EXPECT_EQ(jpeg(-20), jpeg(0));
    EXPECT_LT(jpeg(0)->size(), jpeg(100)->size());
    EXPECT_FALSE(jpeg(std::nan("")));
}

TEST(ImageEncoder, HeifDecodesAgainWithAlphaAndClampsQuality) {
    const Bytes rgba = mixedAlpha(24, 12);
    const auto image = roundTrip(rgba, 24, 12, OutputFormat::heif, 90);
    ASSERT_TRUE(image);
    for (int x : {0, 1, 2})
        EXPECT_NEAR(test::pixelAt(image->rgba, image->width, 12 + x, 6)[3], 255 - x * 127.5, 24) << x;
    EXPECT_EQ(encode(rgba, 24, 12, OutputFormat::heif, 300), encode(rgba, 24, 12, OutputFormat::heif, 100));
}

// A tap on a JPEG being written hands on the file with the profile spliced in, whatever pieces
// the saver writes in; a file that is no JPEG is never handed on.
TEST(JpegIcc, TheProfileIsSplicedIntoTheBytesAsTheyAreWritten) {
    const Bytes& icc = ImageCodec::srgbProfile();
    const Bytes jfif = *encode(test::randomPixels(16, 16, 4, 2), 16, 16, OutputFormat::jpeg, 80);
    const Bytes bare = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x04, 0x01, 0x02, 0xFF, 0xD9};
    const Bytes png = *encode(test::randomPixels(4, 4, 4, 2), 4, 4, OutputFormat::png, 80);
    for (const Bytes* file : {&jfif, &bare, &png})
        for (const std::size_t piece : {std::size_t{1}, std::size_t{5}, std::size_t{21}, file->size()}) {
            Bytes handed;
            const ByteTap tap = JpegIcc::withProfileAlong(icc, [&](const std::uint8_t* data, std::size_t size) {
                handed.insert(handed.end(), data, data + size);
            });
            for (std::size_t at = 0; at < file->size(); at += piece)
                tap(file->data() + at, std::min(piece, file->size() - at));
            EXPECT_EQ(handed, JpegIcc::withProfile(*file, icc).value_or(Bytes{})) << file->size() << " by " << piece;
        }
    EXPECT_FALSE(JpegIcc::withProfileAlong(icc, {}));
}

} // namespace
} // namespace quelso
