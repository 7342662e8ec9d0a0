#include <gtest/gtest.h>

#include <cstdlib>

#include "TestImages.h"
#include "TestSupport.h"
#include "encode/ImageEncoder.h"
#include "pipeline/ImageLoader.h"

namespace quelso {
namespace {

using test::TempDir;
using Rgba = std::array<int, 4>;

// The loaded picture, or an empty one (and a failure) when it did not load.
PixelImage loaded(const std::optional<PixelImage>& image) {
    EXPECT_TRUE(image);
    return image.value_or(PixelImage{});
}

std::string size(const PixelImage& image) { return std::to_string(image.width) + "x" + std::to_string(image.height); }

Rgba pixelAt(const PixelImage& image, std::int64_t x, std::int64_t y) {
    return test::pixelAt(image.rgba, image.width, x, y);
}

void expectNear(const Rgba& got, const Rgba& want, int tolerance, const std::string& what) {
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(got[c], want[c], tolerance) << what << ", channel " << c;
}

void tool(const std::vector<std::string>& argv) {
    const auto result = test::run(argv);
    ASSERT_EQ(result.exitCode, 0) << argv[0] << ": " << result.err;
}

TEST(ImageLoader, ReadsEachFormatByItsContentIntoEightBitRgbaFromTheFirstPage) {
    TempDir dir;
    const Bytes rgba = test::randomPixels(12, 7, 4, 1), rgb = test::randomPixels(12, 7, 3, 2);
    Bytes opaque;
    for (std::size_t i = 0; i < rgb.size(); i += 3) opaque.insert(opaque.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 255});
    ASSERT_TRUE(test::writeImage(dir.file("a.png"), rgb, 12, 7, 3));
    tool({"vips", "magicksave", dir.file("a.png"), dir.file("a.bmp"), "--format", "bmp"});
    // Renamed, so only the content can tell the format; the lossless ones give the pixels back.
    for (auto [name, format] : {std::pair{"a.png", "PNG"},
                                {"a.tif", "TIFF"},
                                {"a.bmp", "BMP"},
                                {"a.webp", "WEBP"},
                                {"a.gif", "GIF"},
                                {"a.jpg", "JPEG"},
                                {"a.heic", "HEIC"}}) {
        const std::string path = dir.file(name) + ".data";
        ASSERT_TRUE(std::filesystem::exists(dir.file(name)) || test::writeImage(dir.file(name), rgb, 12, 7, 3));
        std::filesystem::rename(dir.file(name), path);
        const auto info = ImageLoader::info(path);
        const PixelImage image = loaded(ImageLoader::load(path));
        ASSERT_TRUE(info) << name;
        EXPECT_EQ((std::tuple(info->width, info->height, info->format)), (std::tuple(12, 7, std::string(format))));
        EXPECT_EQ(size(image), "12x7") << name;
        if (std::string("PNG TIFF BMP").find(format) != std::string::npos) {
            EXPECT_EQ(image.rgba, opaque) << name;
        }
    }
    // From bytes, from sixteen bits, from grey with alpha, and the first of two pages or frames.
    ASSERT_TRUE(test::writeImage(dir.file("rgba.png"), rgba, 12, 7, 4));
    const PixelImage fromBytes = loaded(ImageLoader::load(test::readFile(dir.file("rgba.png"))));
    EXPECT_EQ(fromBytes.rgba, rgba);
    EXPECT_FALSE(fromBytes.iccData);
    tool({"vips", "colourspace", dir.file("rgba.png"), dir.file("deep.png"), "rgb16"});
    ASSERT_NE(test::run({"vipsheader", dir.file("deep.png")}).out.find("ushort"), std::string::npos);
    EXPECT_EQ(loaded(ImageLoader::load(dir.file("deep.png"))).rgba, rgba);
    ASSERT_TRUE(test::writeImage(dir.file("grey.png"), test::solidPixels(3, 3, {77, 128}), 3, 3, 2));
    EXPECT_EQ(pixelAt(loaded(ImageLoader::load(dir.file("grey.png"))), 1, 1), (Rgba{77, 77, 77, 128}));
    Bytes pages = test::solidPixels(6, 8, {255, 0, 0, 255});
    std::fill(pages.begin() + 6 * 4 * 4, pages.end(), 0); // the second page transparent black
    for (const char* name : {"pages.tif", "frames.gif"}) {
        ASSERT_TRUE(test::writeImage(dir.file(name), pages, 6, 8, 4, {}, 4)) << name;
        const PixelImage image = loaded(ImageLoader::load(dir.file(name)));
        EXPECT_EQ(size(image), "6x4") << name;
        expectNear(pixelAt(image, 3, 3), {255, 0, 0, 255}, 2, name);
    }
    test::writeFile(dir.path() / "notes.png", std::string("not a picture at all"));
    EXPECT_FALSE(ImageLoader::info(dir.file("notes.png")));
}

// Stored 40 wide and 20 high, red on the left and blue on the right; the EXIF flag 6 says the
// picture is shown turned a quarter clockwise, so upright it is 20 wide, red above blue.
TEST(ImageLoader, OrientationIsAppliedToPixelsAndThumbnailsButNotToTheHeader) {
    TempDir dir;
    Bytes rgb;
    for (int i = 0; i < 40 * 20; ++i)
        rgb.insert(rgb.end(), {static_cast<std::uint8_t>(i % 40 < 20 ? 255 : 0), 0,
                               static_cast<std::uint8_t>(i % 40 < 20 ? 0 : 255)});
    const std::string path = dir.file("rotated.jpg");
    ASSERT_TRUE(test::writeImage(path, rgb, 40, 20, 3, "[Q=95]"));
    tool({"exiftool", "-q", "-overwrite_original", "-n", "-Orientation=6", path});
    const PixelImage image = loaded(ImageLoader::load(path)), thumb = loaded(ImageLoader::thumbnail(path, 10));
    EXPECT_EQ(size(image), "20x40");
    expectNear(pixelAt(image, 10, 5), {255, 0, 0, 255}, 8, "top");
    expectNear(pixelAt(image, 10, 34), {0, 0, 255, 255}, 8, "bottom");
    EXPECT_EQ(size(thumb), "5x10");
    expectNear(pixelAt(thumb, 2, 1), {255, 0, 0, 255}, 12, "thumbnail top");
    expectNear(pixelAt(thumb, 2, 8), {0, 0, 255, 255}, 12, "thumbnail bottom");
    EXPECT_EQ(size(loaded(ImageLoader::thumbnail(path, 1000))), "20x40"); // never enlarged
    const auto info = ImageLoader::info(path);
    EXPECT_TRUE(info && info->width == 40 && info->format == "JPEG");
}

// Pictures converted out of sRGB by vips come back as (nearly) the same sRGB values, with
// their own profile kept byte for byte; a CMYK JPEG also without any profile.
TEST(ImageLoader, ProfiledSourcesBecomeSrgbAndKeepTheirProfile) {
    TempDir dir;
    const Rgba colour{90, 140, 110, 255};
    ASSERT_TRUE(test::writeImage(dir.file("srgb.png"), test::solidPixels(8, 8, {90, 140, 110}), 8, 8, 3));
    for (auto [name, profile] : {std::pair{"p3.png", "p3"}, {"cmyk.jpg", "cmyk"}}) {
        const std::string path = dir.file(name);
        tool({"vips", "icc_transform", dir.file("srgb.png"), path + "[Q=100]", profile, "--input-profile", "srgb"});
        const PixelImage image = loaded(ImageLoader::load(path));
        const std::string icc = test::run({"exiftool", "-b", "-ICC_Profile", path}).out;
        ASSERT_GT(icc.size(), 128u) << name;
        EXPECT_EQ(image.iccData, Bytes(icc.begin(), icc.end())) << name;
        expectNear(pixelAt(image, 4, 4), colour, profile[0] == 'c' ? 6 : 2, name);
    }
    ASSERT_NE(test::run({"vipsheader", dir.file("cmyk.jpg")}).out.find("cmyk"), std::string::npos);
    tool({"exiftool", "-q", "-overwrite_original", "-ICC_Profile=", dir.file("cmyk.jpg")});
    const PixelImage bare = loaded(ImageLoader::load(dir.file("cmyk.jpg")));
    EXPECT_FALSE(bare.iccData);
    expectNear(pixelAt(bare, 4, 4), colour, 6, "bare cmyk");
}

// The check after writing: WebP through libwebp exactly as stored, colours under alpha 0
// included; other formats through the codec; the pixels in the spent raster's memory. Without
// reading pixels back the same files pass, a lossy WebP (alpha, odd sides) decoded to its own
// planes, other formats decoded row by row; files cut short anywhere fail both ways.
TEST(ImageLoader, OutputsDecodeAgainIntoTheSpentRasterOrAreCheckedWithoutPixels) {
    TempDir dir;
    Bytes rgba = test::randomPixels(37, 23, 4, 3);
    for (std::size_t i = 3; i < rgba.size(); i += 12) rgba[i] = i % 24 == 3 ? 0 : 90;
    ProcessingSettings lossy, exact; // exact: lossless, colours under alpha 0 kept
    exact.invisible = true;
    exact.watermarkText = "x";
    const Bytes lossyFile = ImageEncoder::encode(rgba, 37, 23, lossy).value_or(Bytes{});
    test::writeFile(dir.path() / "lossy.webp", lossyFile);
    test::writeFile(dir.path() / "exact.webp", ImageEncoder::encode(rgba, 37, 23, exact).value_or(Bytes{}));
    ASSERT_TRUE(test::writeImage(dir.file("a.png"), rgba, 37, 23, 4));
    for (const std::string name : {"lossy.webp", "exact.webp", "a.png"}) {
        const auto checked = ImageLoader::checkOutput(dir.file(name), Bytes(rgba.size(), 1));
        ASSERT_TRUE(checked) << name;
        EXPECT_EQ((std::pair(checked->width, checked->height)), (std::pair<std::int64_t, std::int64_t>{37, 23}))
            << name;
        EXPECT_TRUE(ImageLoader::checkOutput(dir.file(name), {})) << name << " in fresh memory";
        if (name == "lossy.webp") continue;
        Bytes spent(rgba.size() + 100, 7);
        const std::uint8_t* memory = spent.data();
        const std::optional<PixelImage> image = ImageLoader::loadOutput(dir.file(name), std::move(spent));
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(size(*image), "37x23") << name;
        EXPECT_EQ(image->rgba, rgba) << name;
        EXPECT_EQ(image->rgba.data(), memory) << name;
        EXPECT_EQ(loaded(ImageLoader::loadOutput(dir.file(name), Bytes(8))).rgba, rgba) << name; // too small to reuse
    }
    // One opaque column: the widening of RGB rows down to their last (here only) pixel.
    ASSERT_TRUE(test::writeImage(dir.file("column.png"), Bytes{1, 2, 3, 4, 5, 6}, 1, 2, 3));
    EXPECT_EQ(loaded(ImageLoader::loadOutput(dir.file("column.png"), {})).rgba, (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));
    ASSERT_TRUE(test::writeImage(dir.file("a.jpg"), rgba, 37, 23, 4));
    for (const std::string name : {"lossy.webp", "a.png", "a.jpg"}) {
        const Bytes whole = test::readFile(dir.path() / name);
        // The last cut falls inside the compressed pixels: a PNG without its 12-byte end
        // marker still holds every pixel and decodes.
        for (const std::size_t cut : {std::size_t{40}, whole.size() / 2, whole.size() - 20}) {
            test::writeFile(dir.path() / ("cut-" + name), Bytes(whole.begin(), whole.begin() + cut));
            EXPECT_FALSE(ImageLoader::loadOutput(dir.file("cut-" + name), {})) << name << " cut at " << cut;
            EXPECT_FALSE(ImageLoader::checkOutput(dir.file("cut-" + name), {})) << name << " cut at " << cut;
        }
    }
}

TEST(ImageLoader, PixelLimitRefusesLargerImagesBeforeDecoding) {
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
