#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>

#include "TestSupport.h"
#include "platform/ImageCodec.h"
#include "platform/ImageCodecHeif.h"

namespace quelso {
namespace {

using test::TempDir;

std::uint32_t crc32(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

Bytes bytesOf(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

void putBigEndian(Bytes& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendPngChunk(Bytes& png, const char* type, const Bytes& data)
{
    putBigEndian(png, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    png.insert(png.end(), typed.begin(), typed.end());
    putBigEndian(png, crc32(typed.data(), typed.size()));
}

// A well-formed PNG header announcing width x height RGBA pixels, followed by a tiny
// compressed stream: the classic decompression bomb shape.
Bytes pngClaiming(std::uint32_t width, std::uint32_t height)
{
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    putBigEndian(header, width);
    putBigEndian(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    appendPngChunk(png, "IHDR", header);
    appendPngChunk(png, "IDAT", {0x78, 0x9C, 0xED, 0xC1, 0x01, 0x0D, 0x00, 0x00});
    appendPngChunk(png, "IEND", {});
    return png;
}

// A small picture with smooth areas and edges, so every codec has real work to do.
Bytes pattern(int width, int height)
{
    Bytes rgba;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rgba.insert(rgba.end(), {std::uint8_t(x * 255 / width), std::uint8_t(y * 255 / height),
                                     std::uint8_t((x / 4 + y / 4) % 2 ? 200 : 30),
                                     std::uint8_t(x < width / 2 ? 255 : 128)});
    return rgba;
}

// The JPEG with its frame header changed to claim side x side pixels.
Bytes withJpegSize(Bytes jpeg, std::uint16_t side)
{
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = static_cast<std::uint8_t>(side >> 8);
            jpeg[i + 6] = jpeg[i + 8] = static_cast<std::uint8_t>(side & 0xFF);
            break;
        }
    return jpeg;
}

Bytes encodedFixture(const TempDir& dir, const std::string& name, const std::string& options = {})
{
    const std::string path = dir.file(name);
    EXPECT_TRUE(test::writeImage(path, pattern(48, 32), 48, 32, 4, options)) << name;
    return test::readFile(path);
}

TEST(ImageCodec, BadFilesAreRefusedQuickly)
{
    TempDir dir;
    const Bytes jpeg = encodedFixture(dir, "good.jpg", "[Q=90]");
    const Bytes png = encodedFixture(dir, "good.png");


    const std::vector<std::pair<std::string, Bytes>> cases{
        {"empty.jpg", {}},
        {"text.jpg", bytesOf("hello\n")},
        {"half.jpg", Bytes(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2))},
        {"half.png", Bytes(png.begin(), png.begin() + static_cast<long>(png.size() / 2))},
        {"bomb.png", pngClaiming(100000, 100000)},
        {"overflow.png", pngClaiming(0x7FFFFFFF, 0x7FFFFFFF)},
        {"huge.jpg", withJpegSize(jpeg, 60000)},     // above the pixel limit
        {"overclaimed.jpg", withJpegSize(jpeg, 16000)}, // within it, but the data stops short
        {"ppm.jpg", bytesOf("P6 1 1 255\n\1\2\3")},
        {"svg.png", bytesOf("<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'/>")},
        {"bm.bmp", Bytes{'B', 'M', 0, 0, 0, 0, 1, 2}},
    };
    for (const auto& [name, bytes] : cases) {
        test::writeFile(dir.path() / name, bytes);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(ImageCodec::decodeFile(dir.file(name))) << name;
        EXPECT_FALSE(ImageCodec::decodeBytes(bytes.data(), bytes.size())) << name;
        EXPECT_FALSE(ImageCodec::thumbnail(dir.file(name), 64)) << name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << name;
    }
    // The bomb's header is honest about its size; only decoding is refused.
    const auto header = ImageCodec::header(dir.file("bomb.png"));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->width, 100000);
    EXPECT_EQ(header->format, "PNG");

    ASSERT_EQ(::mkfifo(dir.file("pipe.png").c_str(), 0600), 0); // nobody will ever write to it
    for (const std::string& special : {dir.file("pipe.png"), std::string("/dev/zero"), dir.path().string()}) {
        EXPECT_FALSE(ImageCodec::decodeFile(special)) << special;
        EXPECT_FALSE(ImageCodec::header(special)) << special;
        EXPECT_FALSE(ImageCodec::thumbnail(special, 8)) << special;
    }
    EXPECT_FALSE(ImageCodec::decodeFile(dir.file("does-not-exist.png")));
    EXPECT_TRUE(ImageCodec::decodeBytes(png.data(), png.size())); // the uncut file is fine
}

// Randomly damaged copies of small files in every format must either decode to a complete
// raster or be refused; never crash or hang.
TEST(ImageCodec, DamagedCopiesDecodeCompletelyOrNotAtAll)
{
    TempDir dir;
    std::mt19937 random(20240611);
    int refused = 0, decoded = 0;
    for (const char* name : {"f.png", "f.jpg", "f.webp", "f.gif", "f.tif", "f.heic"}) {
        const Bytes good = encodedFixture(dir, name);
        ASSERT_FALSE(good.empty());
        for (int round = 0; round < 40; ++round) {
            Bytes bad = good;
            const int mode = round % 3;
            if (mode == 0) {
                bad.resize(random() % good.size());
            } else {
                const int hits = 1 + static_cast<int>(random() % 8);
                for (int i = 0; i < hits; ++i) {
                    const std::size_t at = random() % bad.size();
                    if (mode == 1)
                        bad[at] = static_cast<std::uint8_t>(random());
                    else
                        bad.insert(bad.begin() + static_cast<long>(at), static_cast<std::uint8_t>(random()));
                }
            }
            const auto image = ImageCodec::decodeBytes(bad.data(), bad.size());
            if (!image) {
                ++refused;
                continue;
            }
            ++decoded;
            ASSERT_GE(image->width, 1) << name;
            ASSERT_GE(image->height, 1) << name;
            ASSERT_EQ(image->rgba.size(), static_cast<std::size_t>(image->width * image->height * 4)) << name;
        }
    }
    // Both outcomes occur, so the test exercises the decoders rather than the sniffing alone.
    EXPECT_GT(refused, 0);
    EXPECT_GT(decoded, 0);
}

// Builds a matrix/curve RGB profile: colorants in D50 XYZ, one tone-curve tag for all channels.
Bytes rgbProfile(const std::array<std::array<double, 3>, 3>& colorants, const Bytes& curve)
{
    struct Tag {
        const char* sig;
        Bytes data;
    };
    std::vector<Tag> tags;
    const char* names[] = {"rXYZ", "gXYZ", "bXYZ"};
    for (int i = 0; i < 3; ++i) {
        Bytes xyz{'X', 'Y', 'Z', ' ', 0, 0, 0, 0};
        for (double v : colorants[static_cast<std::size_t>(i)])
            putBigEndian(xyz, static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(v * 65536))));
        tags.push_back({names[i], xyz});
    }
    for (const char* sig : {"rTRC", "gTRC", "bTRC"})
        tags.push_back({sig, curve});

    Bytes profile(128, 0);
    std::memcpy(profile.data() + 12, "mntr", 4);
    std::memcpy(profile.data() + 16, "RGB ", 4);
    std::memcpy(profile.data() + 20, "XYZ ", 4);
    std::memcpy(profile.data() + 36, "acsp", 4);
    putBigEndian(profile, static_cast<std::uint32_t>(tags.size()));
    std::size_t offset = 128 + 4 + tags.size() * 12;
    for (const auto& tag : tags) {
        profile.insert(profile.end(), tag.sig, tag.sig + 4);
        putBigEndian(profile, static_cast<std::uint32_t>(offset));
        putBigEndian(profile, static_cast<std::uint32_t>(tag.data.size()));
        offset += (tag.data.size() + 3) / 4 * 4;
    }
    for (const auto& tag : tags) {
        profile.insert(profile.end(), tag.data.begin(), tag.data.end());
        profile.resize((profile.size() + 3) / 4 * 4, 0);
    }
    const auto size = static_cast<std::uint32_t>(profile.size());
    for (int i = 0; i < 4; ++i)
        profile[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
    return profile;
}

Bytes parametricCurve(std::uint16_t type, const std::vector<double>& params)
{
    Bytes curve{'p', 'a', 'r', 'a', 0, 0, 0, 0, static_cast<std::uint8_t>(type >> 8),
                static_cast<std::uint8_t>(type), 0, 0};
    for (double p : params)
        putBigEndian(curve, static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(p * 65536))));
    return curve;
}

TEST(ImageCodec, RecognisesSrgbProfilesByTheirContent)
{
    const std::array<std::array<double, 3>, 3> srgb{{{0.4361, 0.2225, 0.0139},
                                                     {0.3851, 0.7169, 0.0971},
                                                     {0.1431, 0.0606, 0.7141}}};
    const std::array<std::array<double, 3>, 3> displayP3{{{0.5151, 0.2412, -0.0011},
                                                          {0.2919, 0.6922, 0.0419},
                                                          {0.1572, 0.0666, 0.7841}}};
    const Bytes srgbCurve = parametricCurve(3, {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045});
    const Bytes gamma22{'c', 'u', 'r', 'v', 0, 0, 0, 0, 0, 0, 0, 1, 0x02, 0x33};
    Bytes table{'c', 'u', 'r', 'v', 0, 0, 0, 0, 0, 0, 4, 0};
    for (int i = 0; i < 1024; ++i) {
        const double x = i / 1023.0;
        const double y = x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
        table.push_back(static_cast<std::uint8_t>(std::lround(y * 65535) >> 8));
        table.push_back(static_cast<std::uint8_t>(std::lround(y * 65535) & 0xFF));
    }

    const auto isSrgb = [](const Bytes& p) { return ImageCodec::isSrgbProfile(p.data(), p.size()); };
    EXPECT_TRUE(isSrgb(rgbProfile(srgb, srgbCurve)));
    EXPECT_TRUE(isSrgb(rgbProfile(srgb, table)));
    EXPECT_FALSE(isSrgb(rgbProfile(srgb, gamma22)));
    EXPECT_FALSE(isSrgb(rgbProfile(displayP3, srgbCurve)));

    const Bytes& standard = ImageCodec::srgbProfile();
    ASSERT_GT(standard.size(), 128u);
    EXPECT_TRUE(isSrgb(standard));
    EXPECT_FALSE(isSrgb(Bytes(standard.begin(), standard.begin() + 200)));
    EXPECT_FALSE(isSrgb(Bytes(300, 0xFF)));
    EXPECT_FALSE(ImageCodec::isSrgbProfile(nullptr, 0));
}

// Decodes and encodes run on many threads at once in the windowed application.
TEST(ImageCodec, ConcurrentCallsGiveTheSameResultsAsOneAtATime)
{
    TempDir dir;
    const Bytes jpeg = encodedFixture(dir, "c.jpg");
    const Bytes truncated(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 3));
    const auto reference = ImageCodec::decodeBytes(jpeg.data(), jpeg.size());
    ASSERT_TRUE(reference);
    const auto png = ImageCodec::encode(reference->rgba.data(), 48, 32, ImageCodec::SaveFormat::png, 100);
    ASSERT_TRUE(png);

    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (std::size_t t = 0; t < mismatches.size(); ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 15; ++i) {
                const auto image = ImageCodec::decodeBytes(jpeg.data(), jpeg.size());
                const auto bad = ImageCodec::decodeBytes(truncated.data(), truncated.size());
                const auto encoded = ImageCodec::encode(reference->rgba.data(), 48, 32,
                                                        ImageCodec::SaveFormat::png, 100);
                mismatches[t] += !image || image->rgba != reference->rgba || bad || encoded != png;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

TEST(ImageCodec, ExifItemsLeaveHeifFilesWithoutChangingThePicture)
{
    TempDir dir;
    const std::string path = dir.file("with-exif.heic");
    ASSERT_TRUE(test::writeImage(path, pattern(40, 24), 40, 24, 4, "[Q=70]"));
    const Bytes original = test::readFile(path);
    ASSERT_NE(test::run({"exiftool", "-a", "-G1", path}).out.find("[IFD0]"), std::string::npos);

    const auto edited = ImageCodec::withoutExifItems(original);
    ASSERT_TRUE(edited);
    EXPECT_LT(edited->size(), original.size());
    test::writeFile(dir.path() / "edited.heic", *edited);
    const auto tags = test::run({"exiftool", "-a", "-G1", dir.file("edited.heic")}).out;
    EXPECT_EQ(tags.find("[IFD0]"), std::string::npos) << tags;
    EXPECT_EQ(tags.find("Warning"), std::string::npos) << tags;
    EXPECT_EQ(tags.find("Error"), std::string::npos) << tags;

    const auto before = ImageCodec::decodeBytes(original.data(), original.size());
    const auto after = ImageCodec::decodeBytes(edited->data(), edited->size());
    ASSERT_TRUE(before);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->rgba, before->rgba);

    EXPECT_EQ(ImageCodec::withoutExifItems(*edited), *edited); // nothing left to remove
    EXPECT_FALSE(ImageCodec::withoutExifItems(bytesOf("not a heif file")));
    EXPECT_FALSE(ImageCodec::withoutExifItems(Bytes(original.begin(), original.begin() + 300)));
}

} // namespace
} // namespace quelso
