#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "TestSupport.h"
#include "pipeline/ImageLoader.h"

namespace quelso {
namespace {

using test::TempDir;

std::array<int, 4> pixelAt(const PixelImage& image, std::int64_t x, std::int64_t y)
{
    const auto at = static_cast<std::size_t>((y * image.width + x) * 4);
    return {image.rgba[at], image.rgba[at + 1], image.rgba[at + 2], image.rgba[at + 3]};
}

void expectNear(const std::array<int, 4>& got, const std::array<int, 4>& want, int tolerance)
{
    for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(got[c], want[c], tolerance) << "channel " << c;
}

void exiftool(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{"exiftool", "-q", "-overwrite_original"};
    argv.insert(argv.end(), args.begin(), args.end());
    const auto result = test::run(argv);
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

void vipsTool(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{"vips"};
    argv.insert(argv.end(), args.begin(), args.end());
    const auto result = test::run(argv);
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

Bytes iccOf(const std::string& path)
{
    const auto result = test::run({"exiftool", "-b", "-ICC_Profile", path});
    return Bytes(result.out.begin(), result.out.end());
}

TEST(AlphaConversion, HandComputedVectors)
{
    Bytes rgba{64, 0, 255, 128,   // unpremultiply: 64 * 255 / 128 = 127.5 -> 128
               1, 2, 3, 2,        // 127.5, 255, 382.5 -> 128, 255, 255 (clamped)
               1, 0, 0, 3,        // 85
               127, 10, 0, 254,   // 127 * 255 / 254 = 127.5 -> 128; 10.04 -> 10
               9, 8, 7, 0,        // alpha 0 stays as it is
               200, 100, 50, 255};
    ImageLoader::unpremultiply(rgba);
    EXPECT_EQ(rgba, (Bytes{128, 0, 255, 128, 128, 255, 255, 2, 85, 0, 0, 3, 128, 10, 0, 254,
                           9, 8, 7, 0, 200, 100, 50, 255}));

    Bytes straight{255, 0, 0, 1,       // (255 + 127) / 255 = 1
                   255, 128, 7, 128,   // 128, (16384 + 127) / 255 = 64, (896 + 127) / 255 = 4
                   9, 8, 7, 0,         // alpha 0 becomes transparent black
                   200, 100, 50, 255};
    ImageLoader::premultiply(straight);
    EXPECT_EQ(straight, (Bytes{1, 0, 0, 1, 128, 64, 4, 128, 0, 0, 0, 0, 200, 100, 50, 255}));
}

TEST(AlphaConversion, LargeBuffersMatchTheFormulasPixelByPixel)
{
    const Bytes source = test::randomPixels(613, 311, 4, 7); // spans many parallel chunks
    Bytes pre = source, un = source;
    ImageLoader::premultiply(pre);
    ImageLoader::unpremultiply(un);
    for (std::size_t i = 0; i < source.size(); i += 4) {
        const int a = source[i + 3];
        for (std::size_t c = 0; c < 3; ++c) {
            const int value = source[i + c];
            const int wantPre = a == 255 ? value : (value * a + 127) / 255;
            int wantUn = value;
            if (a != 0 && a != 255)
                wantUn = std::min(255, static_cast<int>(std::round(float(value) * 255.0f / float(a))));
            ASSERT_EQ(pre[i + c], wantPre) << "pixel " << i / 4;
            ASSERT_EQ(un[i + c], wantUn) << "pixel " << i / 4;
        }
        ASSERT_EQ(pre[i + 3], a);
        ASSERT_EQ(un[i + 3], a);
    }
}

TEST(ImageLoader, PngRoundTripsExactlyFromFileAndBytes)
{
    TempDir dir;
    const Bytes rgba = test::randomPixels(37, 23, 4, 1);
    const std::string path = dir.file("random.png");
    ASSERT_TRUE(test::writeImage(path, rgba, 37, 23, 4));

    const auto fromFile = ImageLoader::load(path);
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->width, 37);
    EXPECT_EQ(fromFile->height, 23);
    EXPECT_EQ(fromFile->rgba, rgba);
    EXPECT_FALSE(fromFile->iccData);

    const auto fromBytes = ImageLoader::load(test::readFile(path));
    ASSERT_TRUE(fromBytes);
    EXPECT_EQ(fromBytes->rgba, rgba);

    // Opaque 3-band sources get alpha 255; the name's extension does not matter.
    const Bytes rgb = test::randomPixels(5, 4, 3, 2);
    const std::string misnamed = dir.file("really-a-png.jpg");
    ASSERT_TRUE(test::writeImage(dir.file("rgb.png"), rgb, 5, 4, 3));
    std::filesystem::rename(dir.file("rgb.png"), misnamed);
    const auto opaque = ImageLoader::load(misnamed);
    ASSERT_TRUE(opaque);
    for (std::size_t i = 0; i < 20; ++i) {
        ASSERT_EQ(opaque->rgba[i * 4], rgb[i * 3]);
        ASSERT_EQ(opaque->rgba[i * 4 + 1], rgb[i * 3 + 1]);
        ASSERT_EQ(opaque->rgba[i * 4 + 2], rgb[i * 3 + 2]);
        ASSERT_EQ(opaque->rgba[i * 4 + 3], 255);
    }
}

// Stored 40 wide and 20 high, red on the left and blue on the right; the EXIF flag 6 says the
// picture is shown turned a quarter clockwise, so upright it is 20 wide, red above blue.
TEST(ImageLoader, OrientationIsAppliedToPixelsAndThumbnails)
{
    TempDir dir;
    Bytes rgb;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool left = x < 20;
            rgb.insert(rgb.end(), {std::uint8_t(left ? 255 : 0), 0, std::uint8_t(left ? 0 : 255)});
        }
    const std::string path = dir.file("rotated.jpg");
    ASSERT_TRUE(test::writeImage(path, rgb, 40, 20, 3, "[Q=95]"));
    exiftool({"-n", "-Orientation=6", path});

    const auto image = ImageLoader::load(path);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, 20);
    ASSERT_EQ(image->height, 40);
    expectNear(pixelAt(*image, 10, 5), {255, 0, 0, 255}, 8);
    expectNear(pixelAt(*image, 10, 34), {0, 0, 255, 255}, 8);

    const auto thumb = ImageLoader::thumbnail(path, 10);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->width, 5);
    EXPECT_EQ(thumb->height, 10);
    expectNear(pixelAt(*thumb, 2, 1), {255, 0, 0, 255}, 12);
    expectNear(pixelAt(*thumb, 2, 8), {0, 0, 255, 255}, 12);

    // The header reports the stored size; a thumbnail is never enlarged.
    const auto info = ImageLoader::info(path);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->format, "JPEG");
    const auto big = ImageLoader::thumbnail(path, 1000);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->width, 20);
    EXPECT_EQ(big->height, 40);
}

// Display P3 (200, 100, 50) in sRGB, by hand: linearise, P3-to-sRGB matrix, re-encode:
// (0.6789, 0.1085, 0.0136) linear -> (214.9, 92.6, 30.9).
TEST(ImageLoader, WideGamutSourceBecomesSrgbAndKeepsItsProfile)
{
    TempDir dir;
    ASSERT_TRUE(test::writeImage(dir.file("seed.png"), test::solidPixels(2, 2, {9, 9, 9}), 2, 2, 3));
    vipsTool({"icc_transform", dir.file("seed.png"), dir.file("p3-reference.png"), "p3",
              "--input-profile", "srgb"});
    const Bytes p3 = iccOf(dir.file("p3-reference.png"));
    ASSERT_GT(p3.size(), 128u);
    test::writeFile(dir.path() / "p3.icc", p3);

    const std::string path = dir.file("p3.png");
    ASSERT_TRUE(test::writeImage(path, test::solidPixels(6, 4, {200, 100, 50, 77}), 6, 4, 4));
    exiftool({"-ICC_Profile<=" + dir.file("p3.icc"), path});

    const auto image = ImageLoader::load(path);
    ASSERT_TRUE(image);
    expectNear(pixelAt(*image, 3, 2), {215, 93, 31, 77}, 2);
    ASSERT_TRUE(image->iccData);
    EXPECT_EQ(*image->iccData, p3);
}

TEST(ImageLoader, CmykJpegIsConvertedWithOrWithoutItsProfile)
{
    TempDir dir;
    ASSERT_TRUE(test::writeImage(dir.file("rgb.png"), test::solidPixels(8, 8, {90, 140, 110}), 8, 8, 3));
    const std::string tagged = dir.file("cmyk.jpg");
    vipsTool({"icc_transform", dir.file("rgb.png"), tagged + "[Q=100]", "cmyk", "--input-profile", "srgb"});
    ASSERT_NE(test::run({"vipsheader", tagged}).out.find("cmyk"), std::string::npos);

    const auto withProfile = ImageLoader::load(tagged);
    ASSERT_TRUE(withProfile);
    expectNear(pixelAt(*withProfile, 4, 4), {90, 140, 110, 255}, 6);
    ASSERT_TRUE(withProfile->iccData);
    EXPECT_EQ(*withProfile->iccData, iccOf(tagged));

    const std::string bare = dir.file("bare.jpg");
    std::filesystem::copy_file(tagged, bare);
    exiftool({"-ICC_Profile=", bare});
    const auto withoutProfile = ImageLoader::load(bare);
    ASSERT_TRUE(withoutProfile);
    EXPECT_FALSE(withoutProfile->iccData);
    expectNear(pixelAt(*withoutProfile, 4, 4), {90, 140, 110, 255}, 6);
}

TEST(ImageLoader, GreyAndSixteenBitSourcesBecomeEightBitRgba)
{
    TempDir dir;
    const std::string grey = dir.file("grey.png");
    ASSERT_TRUE(test::writeImage(grey, test::solidPixels(3, 3, {77, 128}), 3, 3, 2));
    const auto greyImage = ImageLoader::load(grey);
    ASSERT_TRUE(greyImage);
    EXPECT_EQ(pixelAt(*greyImage, 1, 1), (std::array<int, 4>{77, 77, 77, 128}));

    const Bytes rgba = test::randomPixels(9, 7, 4, 3);
    ASSERT_TRUE(test::writeImage(dir.file("eight.png"), rgba, 9, 7, 4));
    const std::string deep = dir.file("sixteen.png");
    vipsTool({"colourspace", dir.file("eight.png"), deep, "rgb16"});
    ASSERT_NE(test::run({"vipsheader", deep}).out.find("ushort"), std::string::npos);
    const auto deepImage = ImageLoader::load(deep);
    ASSERT_TRUE(deepImage);
    EXPECT_EQ(deepImage->rgba, rgba);
}

TEST(ImageLoader, OnlyTheFirstPageOrFrameIsRead)
{
    TempDir dir;
    Bytes pages = test::solidPixels(6, 4, {255, 0, 0, 255});
    const Bytes second = test::solidPixels(6, 4, {0, 0, 255, 255});
    pages.insert(pages.end(), second.begin(), second.end());
    for (const char* name : {"pages.tif", "frames.gif"}) {
        const std::string path = dir.file(name);
        ASSERT_TRUE(test::writeImage(path, pages, 6, 8, 4, {}, 4)) << name;
        const auto image = ImageLoader::load(path);
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(image->width, 6);
        EXPECT_EQ(image->height, 4) << name;
        expectNear(pixelAt(*image, 3, 3), {255, 0, 0, 255}, 2);
    }
}

TEST(ImageLoader, InfoNamesEachFormatFromItsHeader)
{
    TempDir dir;
    const Bytes rgb = test::randomPixels(12, 7, 3, 4);
    ASSERT_TRUE(test::writeImage(dir.file("seed.png"), rgb, 12, 7, 3));
    const std::vector<std::pair<std::string, std::string>> cases{
        {"a.jpg", "JPEG"}, {"a.png", "PNG"}, {"a.webp", "WEBP"}, {"a.tif", "TIFF"},
        {"a.gif", "GIF"},  {"a.heic", "HEIC"}};
    for (const auto& [name, format] : cases) {
        ASSERT_TRUE(test::writeImage(dir.file(name), rgb, 12, 7, 3)) << name;
        // Renamed, so only the content can tell the format.
        std::filesystem::rename(dir.file(name), dir.file(name + ".data"));
        const auto info = ImageLoader::info(dir.file(name + ".data"));
        ASSERT_TRUE(info) << name;
        EXPECT_EQ(info->width, 12);
        EXPECT_EQ(info->height, 7);
        EXPECT_EQ(info->format, format);
        EXPECT_TRUE(ImageLoader::load(dir.file(name + ".data"))) << name;
    }
    vipsTool({"magicksave", dir.file("seed.png"), dir.file("a.bmp"), "--format", "bmp"});
    const auto bmpInfo = ImageLoader::info(dir.file("a.bmp"));
    ASSERT_TRUE(bmpInfo);
    EXPECT_EQ(bmpInfo->format, "BMP");
    const auto bmpThumb = ImageLoader::thumbnail(dir.file("a.bmp"), 6);
    ASSERT_TRUE(bmpThumb);
    EXPECT_EQ(bmpThumb->width, 6);
    const auto bmp = ImageLoader::load(dir.file("a.bmp"));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(pixelAt(*bmp, 5, 3), (std::array<int, 4>{rgb[(3 * 12 + 5) * 3], rgb[(3 * 12 + 5) * 3 + 1],
                                                       rgb[(3 * 12 + 5) * 3 + 2], 255}));

    test::writeFile(dir.path() / "notes.png", std::string("not a picture at all"));
    EXPECT_FALSE(ImageLoader::info(dir.file("notes.png")));
    EXPECT_FALSE(ImageLoader::info(dir.file("missing.png")));
    EXPECT_FALSE(ImageLoader::thumbnail(dir.file("notes.png"), 64));
}

TEST(ImageLoader, PixelLimitRefusesLargerImagesBeforeDecoding)
{
    TempDir dir;
    ASSERT_TRUE(test::writeImage(dir.file("a.png"), test::randomPixels(20, 10, 3, 5), 20, 10, 3));
    ::setenv("QUELSO_MAX_PIXELS", "199", 1);
    EXPECT_FALSE(ImageLoader::load(dir.file("a.png")));
    EXPECT_FALSE(ImageLoader::thumbnail(dir.file("a.png"), 8));
    EXPECT_TRUE(ImageLoader::info(dir.file("a.png"))); // the header alone is still readable
    ::setenv("QUELSO_MAX_PIXELS", "200", 1);
    EXPECT_TRUE(ImageLoader::load(dir.file("a.png")));
    ::unsetenv("QUELSO_MAX_PIXELS");
}

} // namespace
} // namespace quelso
