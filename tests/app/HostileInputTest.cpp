// Files, numbers and texts made to hurt: pipes, devices, huge or damaged files where pictures
// are expected, numbers far out of range, and texts full of terminal control sequences.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestImages.h"
#include "TestSupport.h"

namespace quelso {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

class HostileInput : public testing::Test {
protected:
    HostileInput() {
        EXPECT_TRUE(test::writeImage(in, test::randomPixels(64, 48, 3, 11), 64, 48, 3));
        EXPECT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
        // Sparse: two gigabytes that cost no disk.
        test::writeFile(dir.path() / "huge.png", std::string());
        fs::resize_file(dir.path() / "huge.png", std::uintmax_t{2} << 30);
        test::writeFile(dir.path() / "text.png", std::string("this is not a picture at all\n"));
        fs::create_directory(dir.path() / "folder");
    }

    // Runs mottler and checks that it was quick about it.
    test::CommandResult timed(const std::vector<std::string>& args) {
        const auto start = std::chrono::steady_clock::now();
        auto r = test::mottler(args);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << args[0] << " " << args[1];
        return r;
    }

    test::TempDir dir;
    const std::string in = dir.file("in.png");
    const std::string out = dir.file("out.webp");
};

TEST_F(HostileInput, LogosMustBeSmallRegularPictures) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {dir.file("pipe"), "not a regular file"},
        {dir.file("huge.png"), "larger than 64 MiB"},
        {"/dev/zero", "not a regular file"},
        {dir.file("folder"), "not a regular file"},
        {dir.file("missing.png"), "No such file or directory"},
        {dir.file("text.png"), "not a picture"},
    };
    for (const char* option : {"--logo", "--logo-stamp"})
        for (const auto& [path, reason] : cases) {
            const auto r = timed({"--cli", "--in", in, "--out", out, option, path, "--no-rename"});
            EXPECT_EQ(r.exitCode, 1) << option << " " << path;
            EXPECT_EQ(r.err, "error: could not read " + std::string(option) + " " + path + ": " + reason + "\n");
            EXPECT_EQ(r.out, "");
            EXPECT_FALSE(fs::exists(out));
        }
    // A small regular picture is read whole: the record extracted is all of its bytes.
    const std::string logo = dir.file("logo.png");
    ASSERT_TRUE(test::writeImage(logo, test::solidPixels(8, 4, {200, 30, 30, 255}), 8, 4, 4));
    const auto marked = test::mottler({"--cli", "--in", in, "--out", out, "--logo", logo, "--no-rename"});
    EXPECT_EQ(marked.exitCode, 0) << marked.err;
    EXPECT_THAT(marked.out,
                testing::EndsWith("watermark extracted: image " + std::to_string(fs::file_size(logo)) + " bytes\n"));
}

TEST_F(HostileInput, BadPicturesAreReadErrorsAndQuick) {
    const test::Bytes jpeg = test::readFile(test::samplePath("harbour.jpg"));
    test::writeFile(dir.file("empty.jpg"), test::Bytes{});
    test::writeFile(dir.file("truncated.jpg"), test::Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 2));
    // A PNG header that claims 100000 x 100000 pixels.
    test::writeFile(dir.file("bomb.png"),
                    test::Bytes{0x89, 'P',  'N',  'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I',  'H',  'D',  'R', 0,
                                1,    0x86, 0xA0, 0,   1,    0x86, 0xA0, 8,    6, 0, 0, 0,  0x2B, 0x7C, 0xCB, 0x6C});
    for (const std::string& path : {dir.file("empty.jpg"), dir.file("truncated.jpg"), dir.file("text.png"),
                                    dir.file("bomb.png"), dir.file("missing.png"), dir.file("pipe"),
                                    dir.file("huge.png"), std::string("/dev/zero"), dir.file("folder")}) {
        auto r = timed({"--cli", "--in", path, "--out", out, "--no-rename"});
        EXPECT_EQ(r.exitCode, 1) << path;
        EXPECT_EQ(r.err, "error: could not read " + path + "\n");
        r = timed({"--extract", path});
        EXPECT_EQ(r.exitCode, 1) << path;
        EXPECT_EQ(r.err, "error: could not read " + path + "\n");
        r = timed({"--suggest-name", path});
        EXPECT_EQ(r.exitCode, 1) << path;
        EXPECT_EQ(r.out, "no suggestion\n");
    }
    EXPECT_FALSE(fs::exists(out));
}

// Far out of every range, each number still does what its formula says: a saturated or flat
// picture, never a crash, an undefined conversion (the sanitizer build checks) or an absurd report.
TEST_F(HostileInput, HugeNumbersRunCleanly) {
    const std::string logo = dir.file("logo.png");
    ASSERT_TRUE(test::writeImage(logo, test::solidPixels(4, 4, {0, 0, 0}), 4, 4, 3));
    for (const std::string option : {"--quality", "--opacity", "--warp", "--blur", "--sharpen", "--contrast",
                                     "--vignette", "--logo-size", "--logo-opacity", "--logo-margin", "--motion",
                                     "--motion-angle", "--wave", "--twirl", "--grain", "--cr-tol", "--noise"})
        for (const char* huge : {option == "--noise" ? "9223372036854775807" : "1e308", "-1e308"}) {
            const auto r = test::mottler({"--cli", "--in", in, "--out", dir.file("huge.jpg"), "--format", "jpeg",
                                          "--seed", "1", "--no-rename", "--text", "hi", "--visible", "--no-invisible",
                                          "--logo-stamp", logo, "--color-replace", option, huge});
            EXPECT_EQ(r.exitCode, 0) << option << " " << huge << r.err;
            EXPECT_THAT(r.out, testing::MatchesRegex("wrote .*  64x48  lossy q[0-9]{1,3}  [0-9]+\\.[0-9]{2} KB\n"
                                                     "pixels changed: [0-9]{1,3}\\.[0-9]{3}%\n"
                                                     "re-decoded ok: 64x48\n"))
                << option << " " << huge;
        }
}

// Text read from a file goes to a terminal: every control sequence in it arrives escaped,
// and the report keeps one line per item.
TEST_F(HostileInput, WatermarkTextsAndPathsArePrintedEscaped) {
    const std::string text = "\x1b]0;owned\x07\x1b[31mred\nwatermark extracted: text=\"fake\"\r\xC2\x9B"
                             "2J\xE2\x80\xAE";
    const std::string shown =
        "\\x1b]0;owned\\x07\\x1b[31mred\\x0awatermark extracted: text=\"fake\"\\x0d\\u{9b}2J\\u{202e}";
    const std::string name = "out\n\x1b[2Kwrote fake.webp";
    const std::string written = dir.file(name);
    const auto r = test::mottler({"--cli", "--in", in, "--out", written, "--text", text, "--no-rename"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, testing::StartsWith("wrote " + dir.file("out\\x0a\\x1b[2Kwrote fake.webp") + "  64x48  "));
    EXPECT_THAT(r.out, testing::EndsWith("\nre-decoded ok: 64x48\nwatermark extracted: text=\"" + shown + "\"\n"));
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4);

    const auto e = test::mottler({"--extract", written});
    EXPECT_EQ(e.exitCode, 0);
    EXPECT_EQ(e.out, "text: " + shown + "\n");
    const auto missing = test::mottler({"--extract", dir.file("gone\x1b[1A")});
    EXPECT_EQ(missing.err, "error: could not read " + dir.file("gone\\x1b[1A") + "\n");
}

} // namespace
} // namespace quelso
