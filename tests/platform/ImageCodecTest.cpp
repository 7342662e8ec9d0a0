// The codec service on bad and damaged input and recognising sRGB profiles. Good files,
// orientation and colour conversion are covered through the image loader.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <random>

#include "TestImages.h"
#include "TestSupport.h"
#include "platform/ImageCodec.h"

namespace quelso {
namespace {

using test::TempDir;

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A 48 x 32 picture saved by libvips, the format chosen by the name's extension.
Bytes fixture(const TempDir& dir, const std::string& name, const std::string& options = {}) {
    EXPECT_TRUE(test::writeImage(dir.file(name), test::randomPixels(48, 32, 4, 5), 48, 32, 4, options)) << name;
    return test::readFile(dir.path() / name);
}

// The JPEG with its frame header claiming side x side pixels.
Bytes claiming(Bytes jpeg, int side) {
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = static_cast<std::uint8_t>(side >> 8);
            jpeg[i + 6] = jpeg[i + 8] = static_cast<std::uint8_t>(side);
            break;
        }
    return jpeg;
}

TEST(ImageCodec, BadFilesAreRefusedQuickly) {
    TempDir dir;
    const Bytes jpeg = fixture(dir, "good.jpg", "[Q=90]");
    const std::vector<std::pair<std::string, Bytes>> cases{
        {"empty.jpg", {}},
        {"huge.jpg", claiming(jpeg, 60000)},        // refused from the header: above the pixel limit
        {"overclaimed.jpg", claiming(jpeg, 16000)}, // within the limit, but the data stops short
        {"ppm.jpg", bytesOf("P6 1 1 255\n\1\2\3")}, // loaders outside the list are blocked
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
    ASSERT_EQ(::mkfifo(dir.file("pipe.png").c_str(), 0600), 0); // nobody will ever write to it
    for (const std::string& special : {dir.file("pipe.png"), std::string("/dev/zero"), dir.path().string()}) {
        EXPECT_FALSE(ImageCodec::decodeFile(special)) << special;
        EXPECT_FALSE(ImageCodec::header(special)) << special;
        EXPECT_FALSE(ImageCodec::thumbnail(special, 8)) << special;
    }
    EXPECT_TRUE(ImageCodec::decodeBytes(jpeg.data(), jpeg.size()));
}

// The verdict of a check fed the file in pieces of 1000 bytes while it is being written.
std::optional<ImageCodec::Header> checkedAlong(const Bytes& file, ImageCodec::SaveFormat format) {
    ImageCodec::DecodeCheck check(format);
    for (std::size_t at = 0; at < file.size(); at += 1000)
        check.add(file.data() + at, std::min<std::size_t>(1000, file.size() - at));
    return check.finish();
}

// The pixels of encoded bytes decoded and saved as PNG in one stream of rows, unchanged.
std::optional<Bytes> streamedToPng(const Bytes& file) {
    const auto copyRow = [](std::uint8_t* rgba, std::int64_t, std::int64_t count, std::uint8_t* out) {
        std::copy_n(rgba, count * 4, out);
    };
    const auto streamed = ImageCodec::transcode(file.data(), file.size(), ImageCodec::SaveFormat::png, 100, copyRow);
    if (!streamed) return std::nullopt;
    return streamed->file;
}

// Damaged copies (cut, overwritten or with bytes inserted) decode completely or not at all,
// and a check made while the file is written says which, as a full decode does; so does a
// decoder streaming its rows into a saver, whose file holds the pixels a full decode gives.
TEST(ImageCodec, DamagedCopiesDecodeCompletelyOrNotAtAll) {
    TempDir dir;
    std::mt19937 random(20240611);
    int refused = 0;
    const std::map<std::string, ImageCodec::SaveFormat> saved{{"f.png", ImageCodec::SaveFormat::png},
                                                              {"f.jpg", ImageCodec::SaveFormat::jpeg},
                                                              {"f.heic", ImageCodec::SaveFormat::heif}};
    for (const char* name : {"f.png", "f.jpg", "f.webp", "f.gif", "f.tif", "f.heic"}) {
        const Bytes good = fixture(dir, name);
        const auto format = saved.find(name);
        if (format != saved.end()) {
            const auto header = checkedAlong(good, format->second);
            ASSERT_TRUE(header) << name;
            EXPECT_EQ((std::pair(header->width, header->height)), (std::pair<std::int64_t, std::int64_t>{48, 32}));
            ImageCodec::DecodeCheck abandoned(format->second); // its decoder waits for bytes that never come
            abandoned.add(good.data(), good.size() / 2);
        }
        for (int round = 0; round < 40; ++round) {
            Bytes bad = good;
            if (round % 3 == 0) bad.resize(random() % good.size());
            for (int i = 0; round % 3 != 0 && i < 1 + round % 8; ++i) {
                const auto at = bad.begin() + static_cast<long>(random() % bad.size());
                if (round % 3 == 1)
                    *at = static_cast<std::uint8_t>(random());
                else
                    bad.insert(at, static_cast<std::uint8_t>(random()));
            }
            const auto image = ImageCodec::decodeBytes(bad.data(), bad.size());
            refused += !image;
            if (format != saved.end()) {
                EXPECT_EQ(checkedAlong(bad, format->second).has_value(), image.has_value()) << name << " " << round;
            }
            const auto streamed = streamedToPng(bad);
            ASSERT_EQ(streamed.has_value(), image.has_value()) << name << " " << round;
            if (streamed) {
                const auto again = ImageCodec::decodeBytes(streamed->data(), streamed->size());
                ASSERT_TRUE(again && again->rgba == image->rgba) << name << " " << round;
            }
            if (image) {
                ASSERT_EQ(image->rgba.size(), static_cast<std::size_t>(image->width * image->height * 4)) << name;
            }
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_LT(refused, 240); // some damage is survivable, so the decoders themselves were exercised
}

// The standard profile with big-endian words written over the start of one tag's data.
Bytes withTag(Bytes icc, const char* signature, const std::vector<std::uint32_t>& words) {
    const auto word = [&](std::size_t at) {
        return std::uint32_t{icc[at]} << 24 | icc[at + 1] << 16 | icc[at + 2] << 8 | icc[at + 3];
    };
    for (std::size_t entry = 132; entry < 132 + 12 * word(128); entry += 12) {
        if (std::memcmp(&icc[entry], signature, 4) != 0) continue;
        std::size_t at = word(entry + 4);
        for (std::uint32_t value : words)
            for (int shift = 24; shift >= 0; shift -= 8) icc[at++] = static_cast<std::uint8_t>(value >> shift);
    }
    return icc;
}

// s15Fixed16 numbers.
std::uint32_t fixed(double value) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(value * 65536)));
}

TEST(ImageCodec, RecognisesSrgbProfilesByTheirContent) {
    const Bytes& standard = ImageCodec::srgbProfile(); // tabulated tone curves
    const std::uint32_t xyz = 0x58595A20, curv = 0x63757276, para = 0x70617261;
    Bytes displayP3 = standard;
    const std::vector<std::pair<const char*, std::array<double, 3>>> p3Colorants{
        {"rXYZ", {0.5151, 0.2412, -0.0011}}, {"gXYZ", {0.2919, 0.6922, 0.0419}}, {"bXYZ", {0.1572, 0.0666, 0.7841}}};
    for (const auto& [tag, colorant] : p3Colorants)
        displayP3 = withTag(displayP3, tag, {xyz, 0, fixed(colorant[0]), fixed(colorant[1]), fixed(colorant[2])});
    const std::vector<std::pair<Bytes, bool>> cases{
        {standard, true},
        {withTag(
             standard, "rTRC",
             {para, 0, 3 << 16, fixed(2.4), fixed(1 / 1.055), fixed(0.055 / 1.055), fixed(1 / 12.92), fixed(0.04045)}),
         true},                                                          // the sRGB curve as a formula
        {withTag(standard, "rTRC", {curv, 0, 1, 0x0233u << 16}), false}, // a 2.2 gamma is close, but not sRGB
        {displayP3, false},
        {Bytes(standard.begin(), standard.begin() + 200), false},
        {Bytes(300, 0xFF), false},
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(ImageCodec::isSrgbProfile(cases[i].first.data(), cases[i].first.size()), cases[i].second) << i;
    EXPECT_FALSE(ImageCodec::isSrgbProfile(nullptr, 0));
}

} // namespace
} // namespace quelso
