#include <gtest/gtest.h>

#include "ChainSettings.h"
#include "EffectsReference.h"
#include "TestImages.h"
#include "encode/ImageEncoder.h"
#include "pipeline/ImageLoader.h"
#include "pipeline/ImageProcessor.h"
#include "watermark/Watermark.h"

namespace quelso {
namespace {

// Opaque pixels from their red, green and blue.
PixelImage opaque(std::int64_t w, std::int64_t h, const Bytes& rgb) {
    PixelImage image{{}, w, h, {}};
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        image.rgba.insert(image.rgba.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 255});
    return image;
}

// Single steps on three opaque pixels, hand-computed; PNG, so the decoded file is the raster.
TEST(Processor, SingleStepsGiveTheHandComputedBytes) {
    const struct {
        bool ProcessingSettings::*on; // none: everything off
        std::uint64_t seed;
        Bytes rgb, out;
    } cases[] = {
        {nullptr, 1, {1, 2, 3, 40, 50, 60, 250, 251, 252}, {1, 2, 3, 40, 50, 60, 250, 251, 252}},
        // Seed 42 draws gains 1.00483.., 0.99319.., 0.99557.. and offsets -0.467.., -1.385.., 1.104..
        {&ProcessingSettings::colorShift,
         42,
         {0, 0, 0, 100, 100, 100, 255, 255, 255},
         {0, 0, 1, 100, 98, 101, 255, 252, 255}},
        // Seed 7, strength 2: d = -1, 1, 0 | 0, -1, 0 | 2, 1, 0.
        {&ProcessingSettings::noiseEnabled,
         7,
         {128, 128, 128, 1, 1, 1, 254, 254, 254},
         {127, 129, 128, 1, 0, 1, 255, 255, 254}},
        // Bit 1 of red only.
        {&ProcessingSettings::forceUnique, 3, Bytes(9, 0x81), {0x83, 0x81, 0x81, 0x83, 0x81, 0x81, 0x83, 0x81, 0x81}},
    };
    for (const auto& c : cases) {
        ProcessingSettings s = quietPng();
        if (c.on) s.*c.on = true;
        const auto result = ImageProcessor::process(opaque(3, 1, c.rgb), s, c.seed);
        ASSERT_TRUE(result) << c.seed;
        EXPECT_EQ(decodedRaster(result), opaque(3, 1, c.out).rgba) << c.seed;
        EXPECT_EQ(result->percentChanged, c.on ? 100.0 : 0.0) << c.seed;
        EXPECT_TRUE(result->lossless) << c.seed;
        EXPECT_EQ(result->width, 3) << c.seed;
    }
    // Lossy WebP says so; a quality libwebp refuses is the only way to no result.
    ProcessingSettings s;
    s.forceUnique = false;
    s.quality = 100;
    const auto lossy = ImageProcessor::process(opaque(3, 1, Bytes(9, 7)), s, 1);
    ASSERT_TRUE(lossy);
    EXPECT_FALSE(lossy->lossless);
    s.quality = 101;
    EXPECT_FALSE(ImageProcessor::process(opaque(3, 1, Bytes(9, 7)), s, 1));
}

TEST(Processor, MicroCropRemovesTheOuterRing) {
    PixelImage image{{}, 5, 5, {}};
    for (int p = 0; p < 25; ++p) image.rgba.insert(image.rgba.end(), {static_cast<std::uint8_t>(p), 0, 0, 255});
    ProcessingSettings s = quietPng();
    s.microGeometry = true;
    s.forceUnique = true;
    const auto result = ImageProcessor::process(image, s, 0);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->width, 3);
    EXPECT_EQ(result->height, 3);
    EXPECT_EQ(result->percentChanged, 100.0);
    const Bytes out = decodedRaster(result);
    const std::uint8_t expected[] = {6, 7, 8, 11, 12, 13, 16, 17, 18};
    for (int p = 0; p < 9; ++p) EXPECT_EQ(out[p * 4], expected[p]) << "no force change after a crop";

    image.width = 4;
    image.height = 10;
    image.rgba.resize(160, 9);
    const auto uncropped = ImageProcessor::process(image, s, 0);
    ASSERT_TRUE(uncropped);
    EXPECT_EQ(uncropped->width, 4);
    EXPECT_EQ(uncropped->height, 10);
}

TEST(Processor, SameSeedSameBytesAndTheWatermarkSurvivesForceChange) {
    const PixelImage image{Bytes(40 * 30 * 4, 200), 40, 30, {}};
    ProcessingSettings s;
    s.colorShift = true;
    s.noiseEnabled = true;
    s.invisible = true;
    s.watermarkText = " hello ";
    const auto a = ImageProcessor::process(image, s, 99);
    const auto b = ImageProcessor::process(image, s, 99);
    const auto c = ImageProcessor::process(image, s, 100);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->data, b->data);
    EXPECT_NE(a->data, c->data);
    EXPECT_TRUE(a->lossless);
    EXPECT_TRUE(a->watermarkEmbedded);
    const Bytes out = decodedRaster(a);
    const auto found = Watermark::extract(out, 40, 30);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->payload, (Bytes{'h', 'e', 'l', 'l', 'o'}));

    const auto small = ImageProcessor::process(opaque(1, 1, {5, 5, 5}), s, 1);
    ASSERT_TRUE(small);
    EXPECT_FALSE(small->watermarkEmbedded);
}

// The colour shift, the watermark's bits and forceChange or the changed count run fused in one
// pass, on a copy or on the input itself: each way gives the bytes of the plain steps in turn.
TEST(Processor, FusedAndInPlacePassesGiveThePlainStepsBytes) {
    reference::Rng pixels{11};
    PixelImage image{{}, 203, 157, {}};
    for (std::int64_t i = 0; i < 203 * 157 * 4; ++i) {
        // Few grey levels, so that many pixels come out of the colour shift unchanged.
        const auto v = static_cast<std::uint8_t>((pixels.next() >> 62) * 85);
        image.rgba.push_back(i % 4 == 3 ? (i % 3 ? 255 : v) : v);
    }
    for (const OutputFormat format : {OutputFormat::png, OutputFormat::webp, OutputFormat::jpeg})
        for (const bool shift : {false, true})
            for (const bool force : {false, true})
                for (const char* text : {"", "fused"}) {
                    ProcessingSettings s = quietPng();
                    s.outputFormat = format;
                    s.colorShift = shift;
                    s.forceUnique = force;
                    s.invisible = true;
                    s.watermarkText = text;
                    const std::string label = std::string(OutputFormats::fileExtension(format)) + " shift " +
                                              std::to_string(shift) + " force " + std::to_string(force) + " " + text;

                    Bytes expected = image.rgba;
                    reference::Rng rng{21};
                    if (shift) reference::colorShift(expected, rng);
                    Watermark::embed(expected, image.width, image.height, s.watermarkContent());
                    std::int64_t changed = 0;
                    for (std::size_t p = 0; p < expected.size(); p += 4) {
                        const bool same = std::equal(&expected[p], &expected[p] + 4, &image.rgba[p]);
                        if (same && force) expected[p] ^= 0x02;
                        changed += !same;
                    }
                    const auto plain = ImageEncoder::encode(expected, image.width, image.height, s);

                    const auto copied = ImageProcessor::process(image, s, 21);
                    PixelImage input = image;
                    const auto inPlace = ImageProcessor::processInPlace(input, s, 21);
                    ASSERT_TRUE(plain && copied && inPlace) << label;
                    EXPECT_EQ(copied->data, *plain) << label;
                    EXPECT_EQ(inPlace->data, *plain) << label;
                    const double percent = force ? 100.0 : static_cast<double>(changed) / (203.0 * 157.0) * 100.0;
                    EXPECT_EQ(copied->percentChanged, percent) << label;
                    EXPECT_EQ(inPlace->percentChanged, percent) << label;
                    EXPECT_EQ(inPlace->watermarkEmbedded, *text != 0) << label;
                    EXPECT_EQ(input.rgba.size(), image.rgba.size()) << "the spent input keeps its memory";
                }
}

// A chain that only shifts colours and forces or counts changes, to PNG or JPEG, streams from the
// decoder to the encoder: every kind of source gives the whole-raster road's bytes, size and
// count, and the tap hands on the file as it is kept. Anything else takes the ordinary road.
TEST(Processor, StreamedRowsGiveTheWholeRastersResult) {
    test::TempDir dir;
    // Few levels, so that many pixels leave the colour shift unchanged; 16-row strips and more.
    reference::Rng values{5};
    const int w = 203, h = 157;
    Bytes rgba, grey;
    for (int i = 0; i < w * h * 4; ++i) {
        const auto v = static_cast<std::uint8_t>((values.next() >> 62) * 85);
        rgba.push_back(i % 4 == 3 ? (i % 3 ? 255 : v) : v);
        if (i % 4 == 0 || i % 4 == 3) grey.push_back(rgba.back());
    }
    auto path = [&](const char* name) { return dir.file(name); };
    ASSERT_TRUE(test::writeImage(path("rgba.png"), rgba, w, h, 4));
    ASSERT_TRUE(test::writeImage(path("grey.png"), grey, w, h, 2));
    ASSERT_TRUE(test::writeImage(path("rgb.jpg"), test::randomPixels(w, h, 3, 8), w, h, 3, "[Q=90]"));
    for (const auto& [name, profile] : {std::pair{"p3.png", "p3"}, {"cmyk.jpg", "cmyk"}})
        ASSERT_EQ(test::run({"vips", "icc_transform", path("rgb.jpg"), path(name), profile, "--input-profile", "srgb"})
                      .exitCode,
                  0);

    auto tapInto = [](Bytes& bytes) {
        return [&bytes](const std::uint8_t* data, std::size_t size) { bytes.insert(bytes.end(), data, data + size); };
    };
    for (const char* name : {"rgba.png", "grey.png", "rgb.jpg", "p3.png", "cmyk.jpg"}) {
        const Bytes file = test::readFile(path(name));
        for (const OutputFormat format : {OutputFormat::png, OutputFormat::jpeg})
            for (const bool shift : {false, true})
                for (const bool force : {false, true}) {
                    ProcessingSettings s = quietPng();
                    s.outputFormat = format;
                    s.colorShift = shift;
                    s.forceUnique = force;
                    s.invisible = true; // without a record: nothing to embed
                    const std::string label = std::string(name) + " to " +
                                              std::string(OutputFormats::fileExtension(format)) + " shift " +
                                              std::to_string(shift) + " force " + std::to_string(force);
                    auto input = ImageLoader::load(file);
                    ASSERT_TRUE(input) << label;
                    Bytes tappedWhole, tappedStream;
                    const auto whole = ImageProcessor::processInPlace(*input, s, 21, tapInto(tappedWhole));
                    const auto streamed = ImageProcessor::transcode(file, s, 21, tapInto(tappedStream));
                    ASSERT_TRUE(whole && streamed) << label;
                    EXPECT_EQ(streamed->data, whole->data) << label;
                    EXPECT_EQ(streamed->width, whole->width) << label;
                    EXPECT_EQ(streamed->height, whole->height) << label;
                    EXPECT_EQ(streamed->percentChanged, whole->percentChanged) << label;
                    EXPECT_EQ(streamed->lossless, whole->lossless) << label;
                    EXPECT_EQ(tappedWhole, whole->data) << label;
                    EXPECT_EQ(tappedStream, whole->data) << label;
                }
    }

    const Bytes jpeg = test::readFile(path("rgb.jpg"));
    ProcessingSettings s = quietPng();
    s.colorShift = true;
    ASSERT_TRUE(ImageProcessor::transcode(jpeg, s, 1));
    auto refused = [&](const Bytes& file, auto change, const char* why) {
        ProcessingSettings changed = s;
        change(changed);
        EXPECT_FALSE(ImageProcessor::transcode(file, changed, 1)) << why;
    };
    const auto same = [](ProcessingSettings&) {};
    refused(Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() / 2)), same, "cut short");
    const std::string turned = path("turned.jpg");
    std::filesystem::copy_file(path("rgb.jpg"), turned);
    ASSERT_EQ(test::run({"exiftool", "-q", "-overwrite_original", "-n", "-Orientation=6", turned}).exitCode, 0);
    refused(test::readFile(turned), same, "turned by its tag");
    refused(
        jpeg, [](ProcessingSettings& c) { c.outputFormat = OutputFormat::webp; }, "WebP");
    refused(
        jpeg, [](ProcessingSettings& c) { c.outputFormat = OutputFormat::heif; }, "HEIF");
    refused(
        jpeg, [](ProcessingSettings& c) { c.watermarkText = "mark"; }, "a watermark record");
    refused(
        jpeg, [](ProcessingSettings& c) { c.microGeometry = true; }, "the crop");
    refused(
        jpeg, [](ProcessingSettings& c) { c.noiseEnabled = true, c.noiseStrength = 3; }, "noise");
}

} // namespace
} // namespace quelso
