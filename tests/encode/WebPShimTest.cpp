#include "encode/mot_webp.h"

#include <gtest/gtest.h>
#include <webp/encode.h>

#include "TestSupport.h"
#include "encode/WebPCodec.h"
#include "platform/ImageCodec.h"

namespace quelso {
namespace {

using Chunks = std::vector<std::pair<std::string, Bytes>>;

// The chunks of a RIFF WebP file in file order, read by hand; empty when the container is malformed.
Chunks riffChunks(const Bytes& webp) {
    auto le32 = [&](std::size_t at) {
        return std::size_t{webp[at]} | std::size_t{webp[at + 1]} << 8 | std::size_t{webp[at + 2]} << 16 |
               std::size_t{webp[at + 3]} << 24;
    };
    if (webp.size() < 12 || std::string(webp.begin(), webp.begin() + 4) != "RIFF" || le32(4) + 8 != webp.size() ||
        std::string(webp.begin() + 8, webp.begin() + 12) != "WEBP")
        return {};
    Chunks chunks;
    std::size_t at = 12;
    for (; at + 8 <= webp.size() && at + 8 + le32(at + 4) <= webp.size(); at += 8 + le32(at + 4) + (le32(at + 4) & 1))
        chunks.emplace_back(std::string(webp.begin() + at, webp.begin() + at + 4),
                            Bytes(webp.begin() + at + 8, webp.begin() + at + 8 + le32(at + 4)));
    return at == webp.size() ? chunks : Chunks{};
}

std::vector<std::string> names(const Chunks& chunks) {
    std::vector<std::string> list;
    for (const auto& chunk : chunks) list.push_back(chunk.first);
    return list;
}

TEST(WebPShim, RefusesBadArgumentsUntouchedAndClearsOutputsOnLaterFailures) {
    const Bytes rgba(16 * 4, 200);
    auto* const sentinel = reinterpret_cast<std::uint8_t*>(0x1);
    const struct {
        const std::uint8_t* pixels;
        int w, h;
        float quality;
        int method;
        bool cleared; // past the argument check
    } cases[] = {{rgba.data(), 0, 4, 75, 4, false}, {rgba.data(), 4, 0, 75, 4, false},
                 {nullptr, 4, 4, 75, 4, false},     {rgba.data(), 4, 4, 100.5f, 4, true},
                 {rgba.data(), 4, 4, -1, 4, true},  {rgba.data(), 4, 4, 50, 7, true}};
    for (const auto& c : cases) {
        std::uint8_t* out = sentinel;
        std::size_t length = 77;
        EXPECT_EQ(MOT_EncodeRGBA(c.pixels, c.w, c.h, c.w * 4, c.quality, 0, 100, c.method, 1, nullptr, nullptr, &out,
                                 &length),
                  0);
        EXPECT_EQ(out, c.cleared ? nullptr : sentinel) << c.w << "x" << c.h << " q" << c.quality;
        EXPECT_EQ(length, c.cleared ? 0u : 77u);
    }
}

// One plain libwebp encode on one thread, as the shim's configuration describes it.
Bytes plainEncode(const Bytes& rgba, int width, int height, bool lossless) {
    WebPConfig config;
    WebPPicture picture;
    WebPMemoryWriter writer;
    EXPECT_TRUE(WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, 75.0f));
    config.quality = 70;
    config.method = 4;
    config.lossless = lossless;
    config.near_lossless = 100;
    config.exact = lossless;
    EXPECT_TRUE(WebPPictureInit(&picture));
    picture.use_argb = lossless;
    picture.width = width;
    picture.height = height;
    EXPECT_TRUE(WebPPictureImportRGBA(&picture, rgba.data(), width * 4));
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    EXPECT_TRUE(WebPEncode(&config, &picture));
    WebPPictureFree(&picture);
    Bytes bytes(writer.mem, writer.mem + writer.size);
    WebPMemoryWriterClear(&writer);
    return bytes;
}

// Smooth colours with some noise, like a photograph: lossy coding has real choices to make.
Bytes photoLike(int width, int height, std::uint64_t seed) {
    Bytes rgba = test::randomPixels(width, height, 4, seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            p[0] = static_cast<std::uint8_t>(x * 255 / width + p[0] % 9);
            p[1] = static_cast<std::uint8_t>(y * 255 / height + p[1] % 9);
            p[2] = static_cast<std::uint8_t>((x + y) % 256);
            p[3] = 255;
        }
    return rgba;
}

TEST(WebPShim, AnyNumberOfThreadsAndPlanesInThePixelsGiveTheBytesOfOnePlainEncode) {
    // Heights around the 64-row bands of the split import, odd sizes (a last chroma row of its
    // own), opaque pictures, translucent ones, and one translucent only in its last band; and
    // one of several huge pages, whose memory the import gives back as it reads (lossy only,
    // for time). Each also with libwebp's planes in the rows of the pixels.
    struct Case {
        int w, h;
        Bytes rgba;
        bool lossyOnly = false;
    };
    std::vector<Case> cases;
    for (auto [w, h] : {std::pair{1, 5}, {37, 1}, {64, 63}, {45, 64}, {33, 65}, {129, 130}, {101, 257}})
        cases.push_back({w, h, photoLike(w, h, static_cast<std::uint64_t>(w * h))});
    cases.push_back({99, 200, test::randomPixels(99, 200, 4, 5)});
    Case lateAlpha{80, 150, photoLike(80, 150, 9)};
    lateAlpha.rgba[lateAlpha.rgba.size() - 1] = 0;
    cases.push_back(lateAlpha);
    cases.push_back({2048, 1100, photoLike(2048, 1100, 3), true});
    for (const Case& c : cases)
        for (int lossless : {0, 1}) {
            if (lossless && c.lossyOnly) continue;
            const Bytes plain = plainEncode(c.rgba, c.w, c.h, lossless);
            for (int threads : {1, 2, 3, 8}) {
                // The pixels are freed as soon as libwebp has its own copy.
                Bytes pixels = c.rgba;
                const auto release = [](void* raster) { Bytes().swap(*static_cast<Bytes*>(raster)); };
                std::uint8_t* out = nullptr;
                std::size_t length = 0;
                ASSERT_EQ(MOT_EncodeRGBA(pixels.data(), c.w, c.h, c.w * 4, 70, lossless, 100, 4, threads, release,
                                         &pixels, &out, &length),
                          1);
                EXPECT_EQ(Bytes(out, out + length), plain)
                    << c.w << "x" << c.h << (lossless ? " lossless" : " lossy") << " on " << threads << " threads";
                EXPECT_EQ(pixels.capacity(), 0u);
                MOT_Free(out);

                // libwebp's planes in the rows of the pixels themselves.
                pixels = c.rgba;
                ASSERT_EQ(MOT_EncodeRGBAInPlace(pixels.data(), c.w, c.h, 70, lossless, 100, 4, threads, &out, &length),
                          1);
                EXPECT_EQ(Bytes(out, out + length), plain) << c.w << "x" << c.h << (lossless ? " lossless" : " lossy")
                                                           << " in place on " << threads << " threads";
                MOT_Free(out);
            }
        }
}

TEST(WebPShim, MuxAttachesChunksInContainerOrderByteForByte) {
    Bytes rgba = test::randomPixels(12, 6, 4, 11);
    for (std::size_t i = 3; i < rgba.size(); i += 12) rgba[i] = 0;
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    ASSERT_EQ(MOT_EncodeRGBA(rgba.data(), 12, 6, 48, 80, 1, 100, 4, 1, nullptr, nullptr, &out, &length), 1);
    const Bytes plain(out, out + length);
    MOT_Free(out);
    const Bytes icc = ImageCodec::srgbProfile(), exif{'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0}, xmp{'<', 'x', '/', '>'};

    // Blobs of length 0 attach nothing, and the image travels untouched, colours under alpha 0 included.
    ASSERT_EQ(
        MOT_MuxAddMetadata(plain.data(), plain.size(), exif.data(), 0, icc.data(), 0, xmp.data(), 0, &out, &length), 1);
    const Bytes bare(out, out + length);
    MOT_Free(out);
    EXPECT_EQ(names(riffChunks(bare)), std::vector<std::string>{"VP8L"});
    EXPECT_EQ(ImageCodec::decodeBytes(bare.data(), bare.size()).value_or(PixelImage{}).rgba, rgba);
    EXPECT_EQ(WebPCodec::addMetadata(plain, std::nullopt, std::nullopt, std::nullopt), bare);

    const Chunks all = riffChunks(WebPCodec::addMetadata(plain, exif, icc, xmp).value_or(Bytes{}));
    ASSERT_EQ(names(all), (std::vector<std::string>{"VP8X", "ICCP", "VP8L", "EXIF", "XMP "}));
    EXPECT_EQ(all[0].second[0], 0x20 | 0x10 | 0x08 | 0x04); // ICC, alpha, EXIF and XMP flags
    EXPECT_EQ(all[1].second, icc);
    EXPECT_EQ(all[3].second, exif);
    EXPECT_EQ(all[4].second, xmp);
    const Chunks withIcc = riffChunks(WebPCodec::addMetadata(plain, std::nullopt, icc, std::nullopt).value_or(Bytes{}));
    EXPECT_EQ(names(withIcc), (std::vector<std::string>{"VP8X", "ICCP", "VP8L"}));
    EXPECT_EQ(withIcc.at(1).second, icc);

    const Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (const Bytes& notWebP : {Bytes{'n', 'o', 'p', 'e'}, Bytes{}, png})
        EXPECT_FALSE(WebPCodec::addMetadata(notWebP, std::nullopt, icc, std::nullopt));
    EXPECT_EQ(MOT_MuxAddMetadata(png.data(), png.size(), nullptr, 0, icc.data(), icc.size(), nullptr, 0, &out, &length),
              0);
    EXPECT_EQ(out, nullptr);
}

TEST(WebPCodec, OutputProfileDescribesSrgbPixels) {
    EXPECT_FALSE(WebPCodec::srgbProfileFor(std::nullopt));
    EXPECT_FALSE(WebPCodec::srgbProfileFor(Bytes{}));
    // A source already in sRGB keeps its own bytes; anything else gets the standard profile, since
    // the pixels were converted to sRGB.
    const Bytes& standard = ImageCodec::srgbProfile();
    Bytes ownSrgb = standard;
    ownSrgb[84] ^= 0x01; // the profile ID: same colours, other bytes
    EXPECT_EQ(WebPCodec::srgbProfileFor(ownSrgb), ownSrgb);
    EXPECT_EQ(WebPCodec::srgbProfileFor(Bytes(300, 0xFF)), standard);
}

} // namespace
} // namespace quelso
