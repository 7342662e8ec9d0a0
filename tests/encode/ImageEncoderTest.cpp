#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "EncodeTestSupport.h"
#include "encode/ImageEncoder.h"
#include "pipeline/ImageLoader.h"
#include "platform/ImageCodec.h"

namespace quelso {
namespace {

ProcessingSettings settingsFor(OutputFormat format, double quality)
{
    ProcessingSettings settings;
    settings.outputFormat = format;
    settings.quality = quality;
    return settings;
}

// Left column opaque, then a half-transparent and a fully transparent column, repeated.
Bytes mixedAlpha(int width, int height)
{
    Bytes rgba;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t alpha = x % 3 == 0 ? 255 : x % 3 == 1 ? 128 : 0;
            rgba.insert(rgba.end(), {200, 100, 50, alpha});
        }
    return rgba;
}

std::array<int, 4> pixelAt(const PixelImage& image, int x, int y)
{
    const auto at = static_cast<std::size_t>((y * image.width + x) * 4);
    return {image.rgba[at], image.rgba[at + 1], image.rgba[at + 2], image.rgba[at + 3]};
}

Bytes iccOf(const Bytes& file, const std::string& extension)
{
    test::TempDir dir;
    const std::string path = dir.file("f." + extension);
    test::writeFile(path, file);
    const std::string out = test::run({"exiftool", "-b", "-ICC_Profile", path}).out;
    return Bytes(out.begin(), out.end());
}

// Encodes, checks the file is tagged with the standard sRGB profile, and decodes it again.
std::optional<PixelImage> roundTrip(const Bytes& rgba, int width, int height, OutputFormat format,
                                    double quality, const std::string& extension)
{
    const auto encoded = ImageEncoder::encode(rgba, width, height, settingsFor(format, quality));
    if (!encoded)
        return std::nullopt;
    EXPECT_EQ(iccOf(*encoded, extension), ImageCodec::srgbProfile()) << extension;
    return ImageLoader::load(*encoded);
}

// Groups that would carry a source's camera, place, author or editing history.
bool isSourceMetadata(const std::string& tag)
{
    for (const char* group : {"IFD", "ExifIFD", "GPS", "XMP", "IPTC", "Photoshop", "MakerNotes",
                              "InteropIFD", "Apple", "PNG-tEXt", "PNG-iTXt"})
        if (tag.rfind(group, 0) == 0)
            return true;
    return false;
}

TEST(ImageEncoder, WebPIsLosslessExactlyWhenTheInvisibleWatermarkHasContent)
{
    Bytes rgba = test::randomPixels(17, 11, 4, 3);
    for (std::size_t i = 3; i < rgba.size(); i += 16)
        rgba[i] = 0; // transparent pixels whose colours must survive
    ProcessingSettings settings = settingsFor(OutputFormat::webp, 60);
    settings.invisible = true;
    settings.watermarkText = "Hi";
    const auto lossless = ImageEncoder::encode(rgba, 17, 11, settings);
    ASSERT_TRUE(lossless);
    EXPECT_EQ(test::riffChunks(*lossless).at(0).first, "VP8L");
    const auto decoded = test::dwebp(*lossless);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->rgba, rgba);

    settings.watermarkText.clear(); // invisible on, nothing to carry
    const auto lossy = ImageEncoder::encode(rgba, 17, 11, settings);
    ASSERT_TRUE(lossy);
    const auto chunks = test::riffChunks(*lossy);
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks[0].first, "VP8X"); // lossy with an alpha plane
    EXPECT_EQ(chunks.back().first, "VP8 ");

    settings.invisible = false;
    settings.watermarkText = "Hi";
    EXPECT_EQ(test::riffChunks(*ImageEncoder::encode(rgba, 17, 11, settings)).back().first, "VP8 ");
}

TEST(ImageEncoder, WebPQualityOutsideItsRangeFails)
{
    const Bytes rgba = test::randomPixels(8, 8, 4, 1);
    for (double quality : {101.0, -1.0, 100.5, std::nan(""), 1e300})
        EXPECT_FALSE(ImageEncoder::encode(rgba, 8, 8, settingsFor(OutputFormat::webp, quality))) << quality;
    for (double quality : {0.0, 100.0})
        EXPECT_TRUE(ImageEncoder::encode(rgba, 8, 8, settingsFor(OutputFormat::webp, quality))) << quality;
}

TEST(ImageEncoder, RefusesRastersThatDoNotMatchTheirSize)
{
    const Bytes rgba(8 * 8 * 4, 90);
    for (OutputFormat format : OutputFormats::allCases) {
        const ProcessingSettings settings = settingsFor(format, 80);
        EXPECT_FALSE(ImageEncoder::encode(rgba, 8, 9, settings));
        EXPECT_FALSE(ImageEncoder::encode(rgba, 0, 8, settings));
        EXPECT_FALSE(ImageEncoder::encode(rgba, -8, -8, settings));
        EXPECT_FALSE(ImageEncoder::encode(rgba, std::int64_t{1} << 31, 1, settings));
        EXPECT_FALSE(ImageEncoder::encode(rgba, std::numeric_limits<std::int64_t>::max(), 2, settings));
        // Extra bytes past width * height * 4 are ignored.
        EXPECT_TRUE(ImageEncoder::encode(rgba, 4, 8, settings));
    }
}

// Alpha 128 over (200, 100, 50): premultiplied (100, 50, 25), back to straight (199, 100, 50).
TEST(ImageEncoder, PngGetsThePremultipliedRoundTripAndIgnoresQuality)
{
    const Bytes rgba = mixedAlpha(9, 4);
    EXPECT_EQ(ImageEncoder::encode(rgba, 9, 4, settingsFor(OutputFormat::png, 5)),
              ImageEncoder::encode(rgba, 9, 4, settingsFor(OutputFormat::png, 150)));
    const auto image = roundTrip(rgba, 9, 4, OutputFormat::png, 5, "png");
    ASSERT_TRUE(image);
    EXPECT_EQ(pixelAt(*image, 3, 1), (std::array<int, 4>{200, 100, 50, 255}));
    EXPECT_EQ(pixelAt(*image, 4, 1), (std::array<int, 4>{199, 100, 50, 128}));
    EXPECT_EQ(pixelAt(*image, 5, 1), (std::array<int, 4>{0, 0, 0, 0}));

    const Bytes opaque = test::randomPixels(31, 17, 3, 9);
    Bytes opaqueRgba;
    for (std::size_t i = 0; i < opaque.size(); i += 3)
        opaqueRgba.insert(opaqueRgba.end(), {opaque[i], opaque[i + 1], opaque[i + 2], 255});
    const auto exact = ImageLoader::load(*ImageEncoder::encode(opaqueRgba, 31, 17, settingsFor(OutputFormat::png, 70)));
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->rgba, opaqueRgba);
}

TEST(ImageEncoder, JpegShowsThePictureOverBlackAndClampsQuality)
{
    const Bytes rgba = mixedAlpha(48, 16);
    const auto image = roundTrip(rgba, 48, 16, OutputFormat::jpeg, 95, "jpg");
    ASSERT_TRUE(image);
    // Columns of one kind are 3 apart, so compare whole-picture means per kind instead of
    // pixels that JPEG blurs into each other: over black, red averages (200 + 100 + 0) / 3.
    double red = 0;
    for (std::size_t i = 0; i < image->rgba.size(); i += 4) {
        red += image->rgba[i];
        ASSERT_EQ(image->rgba[i + 3], 255);
    }
    EXPECT_NEAR(red / (48 * 16), 100, 4);

    const Bytes pixels = test::randomPixels(16, 16, 4, 2);
    const auto top = ImageEncoder::encode(pixels, 16, 16, settingsFor(OutputFormat::jpeg, 100));
    EXPECT_EQ(ImageEncoder::encode(pixels, 16, 16, settingsFor(OutputFormat::jpeg, 150)), top);
    const auto bottom = ImageEncoder::encode(pixels, 16, 16, settingsFor(OutputFormat::jpeg, 0));
    ASSERT_TRUE(bottom);
    EXPECT_EQ(ImageEncoder::encode(pixels, 16, 16, settingsFor(OutputFormat::jpeg, -20)), bottom);
    EXPECT_LT(bottom->size(), top->size());
    EXPECT_FALSE(ImageEncoder::encode(pixels, 16, 16, settingsFor(OutputFormat::jpeg, std::nan(""))));
}

TEST(ImageEncoder, HeifDecodesAgainWithAlphaAndTheSrgbProfile)
{
    const Bytes rgba = mixedAlpha(24, 12);
    const auto image = roundTrip(rgba, 24, 12, OutputFormat::heif, 90, "heic");
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, 24);
    for (int x : {0, 1, 2}) {
        const auto p = pixelAt(*image, 12 + x, 6);
        const int alpha = x == 0 ? 255 : x == 1 ? 128 : 0;
        EXPECT_NEAR(p[3], alpha, 24) << x;
    }
    EXPECT_EQ(ImageEncoder::encode(rgba, 24, 12, settingsFor(OutputFormat::heif, 300)),
              ImageEncoder::encode(rgba, 24, 12, settingsFor(OutputFormat::heif, 100)));
}

// A camera JPEG with EXIF, GPS, XMP and IPTC: none of it may reach any output format.
TEST(ImageEncoder, NoSourceMetadataReachesAnyFormat)
{
    test::TempDir dir;
    const std::string source = dir.file("camera.jpg");
    ASSERT_TRUE(test::writeImage(source, test::randomPixels(32, 24, 3, 4), 32, 24, 3));
    ASSERT_EQ(test::run({"exiftool", "-q", "-overwrite_original", "-Make=QuelsoCam", "-Artist=Someone",
                         "-GPSLatitude=48.85", "-GPSLatitudeRef=N", "-XMP-dc:Creator=Someone",
                         "-IPTC:Keywords=secret", source}).exitCode, 0);
    const auto tagsOfSource = test::metadataTags(test::readFile(source), "jpg");
    ASSERT_TRUE(std::any_of(tagsOfSource.begin(), tagsOfSource.end(), isSourceMetadata));

    const auto image = ImageLoader::load(source);
    ASSERT_TRUE(image);
    const std::vector<std::pair<OutputFormat, std::string>> formats{
        {OutputFormat::webp, "webp"}, {OutputFormat::png, "png"}, {OutputFormat::jpeg, "jpg"},
        {OutputFormat::heif, "heic"}};
    for (const auto& [format, extension] : formats) {
        const auto bytes = ImageEncoder::encode(image->rgba, image->width, image->height, settingsFor(format, 80));
        ASSERT_TRUE(bytes) << extension;
        for (const auto& tag : test::metadataTags(*bytes, extension))
            EXPECT_FALSE(isSourceMetadata(tag)) << extension << ": " << tag;
    }
}

} // namespace
} // namespace quelso
