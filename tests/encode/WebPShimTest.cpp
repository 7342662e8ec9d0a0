#include <gtest/gtest.h>

#include "EncodeTestSupport.h"
#include "encode/WebPCodec.h"
#include "encode/mot_webp.h"
#include "platform/ImageCodec.h"

namespace quelso {
namespace {

// Colourful pixels, with a band of fully transparent ones that still carry colour.
Bytes transparentBand(int width, int height)
{
    Bytes rgba = test::randomPixels(width, height, 4, 11);
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgba[i + 3] = (i / 4) % static_cast<std::size_t>(width) < 5 ? 0 : 255;
    return rgba;
}

Bytes encode(const Bytes& rgba, int width, int height, float quality, int lossless)
{
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    EXPECT_EQ(MOT_EncodeRGBA(rgba.data(), width, height, width * 4, quality, lossless, 100, 4, &out, &length), 1);
    if (!out)
        return {};
    Bytes bytes(out, out + length);
    MOT_Free(out);
    return bytes;
}

std::string webpFormat(const Bytes& webp)
{
    test::TempDir dir;
    test::writeFile(dir.path() / "a.webp", webp);
    const auto info = test::run({"webpinfo", dir.file("a.webp")});
    EXPECT_EQ(info.exitCode, 0) << info.out;
    for (const char* format : {"Lossless", "Lossy"})
        if (info.out.find(std::string("Format: ") + format) != std::string::npos)
            return format;
    return "unknown";
}

TEST(WebPShim, RefusesBadArgumentsWithoutTouchingOutputs)
{
    const Bytes rgba(16 * 4, 200);
    auto* const sentinel = reinterpret_cast<std::uint8_t*>(0x1);
    for (auto [pixels, width, height] : {std::tuple{rgba.data(), 0, 4}, std::tuple{rgba.data(), 4, 0},
                                         std::tuple{static_cast<const std::uint8_t*>(nullptr), 4, 4}}) {
        std::uint8_t* out = sentinel;
        std::size_t length = 77;
        EXPECT_EQ(MOT_EncodeRGBA(pixels, width, height, width * 4, 75, 0, 100, 4, &out, &length), 0);
        EXPECT_EQ(out, sentinel);
        EXPECT_EQ(length, 77u);
    }
    // Past the argument check, a failure leaves the outputs cleared.
    for (float quality : {100.5f, -1.0f, 101.0f}) {
        std::uint8_t* out = sentinel;
        std::size_t length = 77;
        EXPECT_EQ(MOT_EncodeRGBA(rgba.data(), 4, 4, 16, quality, 0, 100, 4, &out, &length), 0);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(length, 0u);
    }
    std::uint8_t* out = sentinel;
    std::size_t length = 77;
    EXPECT_EQ(MOT_EncodeRGBA(rgba.data(), 4, 4, 16, 50, 0, 100, 7, &out, &length), 0); // method 7
    EXPECT_EQ(out, nullptr);
}

TEST(WebPShim, LosslessKeepsEveryByteEvenUnderTransparentPixels)
{
    const Bytes rgba = transparentBand(23, 9);
    const Bytes lossless = encode(rgba, 23, 9, 70, 1);
    EXPECT_EQ(webpFormat(lossless), "Lossless");
    const auto decoded = test::dwebp(lossless);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 23);
    EXPECT_EQ(decoded->rgba, rgba);

    const Bytes lossy = encode(rgba, 23, 9, 70, 0);
    EXPECT_EQ(webpFormat(lossy), "Lossy");
    const auto lossyDecoded = test::dwebp(lossy);
    ASSERT_TRUE(lossyDecoded);
    EXPECT_NE(lossyDecoded->rgba, rgba);

    // Higher quality, larger file: the argument reaches libwebp.
    const Bytes opaque = test::randomPixels(32, 32, 4, 5);
    EXPECT_LT(encode(opaque, 8, 32, 10, 0).size(), encode(opaque, 8, 32, 95, 0).size());
}

TEST(WebPShim, MuxAttachesChunksInContainerOrder)
{
    const Bytes rgba = transparentBand(12, 6);
    const Bytes plain = encode(rgba, 12, 6, 80, 1);
    const Bytes icc = ImageCodec::srgbProfile();
    const Bytes exif{'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0};
    const Bytes xmp{'<', 'x', '/', '>'};

    const auto assemble = [&](const Bytes* e, const Bytes* i, const Bytes* x) {
        std::uint8_t* out = nullptr;
        std::size_t length = 0;
        const int ok = MOT_MuxAddMetadata(plain.data(), plain.size(), e ? e->data() : nullptr,
                                          e ? e->size() : 0, i ? i->data() : nullptr, i ? i->size() : 0,
                                          x ? x->data() : nullptr, x ? x->size() : 0, &out, &length);
        Bytes bytes = ok && out ? Bytes(out, out + length) : Bytes{};
        MOT_Free(out);
        return bytes;
    };
    const auto names = [](const Bytes& webp) {
        std::vector<std::string> list;
        for (const auto& chunk : test::riffChunks(webp))
            list.push_back(chunk.first);
        return list;
    };

    const Bytes bare = assemble(nullptr, nullptr, nullptr);
    EXPECT_EQ(names(bare), std::vector<std::string>{"VP8L"});
    ASSERT_TRUE(test::dwebp(bare));
    EXPECT_EQ(test::dwebp(bare)->rgba, rgba);
    const Bytes empty;
    EXPECT_EQ(names(assemble(&empty, &empty, &empty)), std::vector<std::string>{"VP8L"});

    const Bytes all = assemble(&exif, &icc, &xmp);
    EXPECT_EQ(names(all), (std::vector<std::string>{"VP8X", "ICCP", "VP8L", "EXIF", "XMP "}));
    const auto chunks = test::riffChunks(all);
    EXPECT_EQ(chunks[0].second[0], 0x20 | 0x10 | 0x08 | 0x04); // ICC, alpha, EXIF, XMP flags
    EXPECT_EQ(chunks[1].second, icc);
    EXPECT_EQ(chunks[3].second, exif);
    EXPECT_EQ(chunks[4].second, xmp);
    EXPECT_EQ(test::dwebp(all)->rgba, rgba);

    // The codec wrapper: ICC alone, then bytes that are no WebP at all.
    const auto withIcc = WebPCodec::addMetadata(plain, std::nullopt, icc, std::nullopt);
    ASSERT_TRUE(withIcc);
    EXPECT_EQ(names(*withIcc), (std::vector<std::string>{"VP8X", "ICCP", "VP8L"}));
    EXPECT_EQ(test::riffChunks(*withIcc)[1].second, icc);
    EXPECT_FALSE(WebPCodec::addMetadata(Bytes{'n', 'o', 'p', 'e'}, std::nullopt, icc, std::nullopt));
    EXPECT_FALSE(WebPCodec::addMetadata(Bytes{}, std::nullopt, icc, std::nullopt));
    const Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    EXPECT_EQ(MOT_MuxAddMetadata(png.data(), png.size(), nullptr, 0, icc.data(), icc.size(), nullptr, 0, &out, &length), 0);
    EXPECT_EQ(out, nullptr);
}

TEST(WebPCodec, OutputProfileDescribesSrgbPixels)
{
    EXPECT_FALSE(WebPCodec::srgbProfileFor(std::nullopt));
    EXPECT_FALSE(WebPCodec::srgbProfileFor(Bytes{}));

    // A source already in sRGB keeps its own bytes.
    const Bytes& standard = ImageCodec::srgbProfile();
    Bytes ownSrgb = standard;
    ownSrgb[84] ^= 0x01; // the profile ID: same colours, different bytes than the standard one
    ASSERT_TRUE(ImageCodec::isSrgbProfile(ownSrgb.data(), ownSrgb.size()));
    EXPECT_EQ(WebPCodec::srgbProfileFor(ownSrgb), ownSrgb);

    // Anything else gets the standard sRGB profile, since the pixels were converted to sRGB.
    test::TempDir dir;
    ASSERT_TRUE(test::writeImage(dir.file("seed.png"), Bytes(12, 9), 2, 2, 3));
    ASSERT_EQ(test::run({"vips", "icc_transform", dir.file("seed.png"), dir.file("p3.png"), "p3",
                         "--input-profile", "srgb"}).exitCode, 0);
    const auto p3 = test::run({"exiftool", "-b", "-ICC_Profile", dir.file("p3.png")}).out;
    ASSERT_GT(p3.size(), 128u);
    EXPECT_EQ(WebPCodec::srgbProfileFor(Bytes(p3.begin(), p3.end())), standard);
}

} // namespace
} // namespace quelso
