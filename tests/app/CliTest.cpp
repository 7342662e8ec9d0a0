// The mottler binary run as a user would: real files in, real files out.
#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <tuple>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestImages.h"
#include "TestSupport.h"
#include "app/CLI.h"
#include "platform/Utf8.h"

namespace quelso {
namespace {

namespace fs = std::filesystem;
using test::CommandResult;
using testing::HasSubstr;
using testing::Not;

std::string sample() { return test::samplePath("harbour.jpg"); }

CommandResult cli(std::vector<std::string> args) { return test::mottler(std::move(args)); }

class Cli : public testing::Test {
protected:
    // A noisy picture large enough for any watermark record the tests use.
    std::string picture(const std::string& name, int w = 64, int h = 48) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(test::writeImage(path, test::randomPixels(w, h, 3, 11), w, h, 3));
        return path;
    }
    test::TempDir dir;
};

TEST_F(Cli, UsageErrorsExitWithTwo) {
    const std::string usage(CLI::usageText);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--cli"}, {"--cli", "--in", "a.png"}, {"--cli", "--in", "a.png", "--out"}, {"--cli", "--out", "b"}}) {
        const auto r = cli(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err, usage);
        EXPECT_EQ(r.out, "");
    }
    for (const std::string mode : {"--extract", "--suggest-name"}) {
        const auto r = cli({mode});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err, "usage: Mottler " + mode + (mode == "--extract" ? " <file.webp>\n" : " <image>\n"));
    }
    auto r = cli({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, usage + CLI::batchUsageText + CLI::helpText) << "the usage text comes first, unchanged";
    EXPECT_EQ(cli({"--version"}).exitCode, 0);
    // A mode word that is not first does not count: the window is asked for, and without a
    // display (or without the desktop part in this build) that ends with one line and status 1.
    r = test::run({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", test::mottlerPath(),
                   "--in", "x.png", "--cli"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("desktop application"));
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

// Every option the program reads is in --help and in the manual page, and the manual page
// formats without a warning.
TEST(Help, HelpAndManualNameEveryOption) {
    const auto optionsIn = [](std::string text) {
        for (std::size_t at; (at = text.find("\\-")) != std::string::npos;) text.erase(at, 1); // roff's \-
        std::set<std::string> found;
        const std::regex option("--[a-z][a-z-]*[a-z]");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
            found.insert(it->str());
        return found;
    };
    const std::set<std::string> everyOption{
        "--cli",      "--in",           "--out",        "--format",    "--quality",      "--noise",
        "--text",     "--logo",         "--visible",    "--opacity",   "--no-invisible", "--keep-metadata",
        "--no-color", "--no-force",     "--micro",      "--warp",      "--blur",         "--sharpen",
        "--contrast", "--vignette",     "--logo-stamp", "--logo-size", "--logo-opacity", "--logo-margin",
        "--motion",   "--motion-angle", "--wave",       "--twirl",     "--grain",        "--color-replace",
        "--cr-from",  "--cr-to",        "--cr-tol",     "--rename",    "--no-rename",    "--rename-provider",
        "--api-key",  "--model",        "--base-url",   "--seed",      "--extract",      "--suggest-name",
        "--help",     "--version",      "--batch",      "--out-dir",   "--recursive",    "--jobs",
        "--report",   "--resume",       "--shard"};
    const auto help = cli({"--help"});
    EXPECT_EQ(optionsIn(help.out), everyOption);
    const test::Bytes page = test::readFile(QUELSO_MANPAGE);
    EXPECT_EQ(optionsIn(std::string(page.begin(), page.end())), everyOption);
    for (const char* word : {"renam", "OPENAI_API_KEY", "QUELSO_API_KEY", "Exit status", "api-key -"})
        EXPECT_THAT(help.out, HasSubstr(word));
    const auto groff = test::run({"groff", "-man", "-ww", "-z", "-Tutf8", QUELSO_MANPAGE});
    EXPECT_EQ(groff.exitCode, 0);
    EXPECT_EQ(groff.err, "");
}

TEST_F(Cli, TextWatermarkRoundTripsThroughExtract) {
    const std::string in = picture("in.png");
    const std::string out = dir.file("out.webp");
    const auto r = cli({"--cli", "--in", in, "--out", out, "--text", "hello", "--seed", "5", "--no-rename"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const double kb = static_cast<double>(fs::file_size(out)) / 1024.0;
    char wrote[512];
    std::snprintf(wrote, sizeof wrote, "wrote %s  64x48  lossless  %.2f KB\n", out.c_str(), kb);
    EXPECT_EQ(r.out, std::string(wrote) + "pixels changed: 100.000%\nre-decoded ok: 64x48\n"
                                          "watermark extracted: text=\"hello\"\n");
    EXPECT_THAT(test::run({"webpinfo", out}).out, HasSubstr("VP8L"));
    EXPECT_EQ(cli({"--extract", out}).out, "text: hello\n");
    const auto plain = cli({"--extract", in});
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_EQ(plain.out, "no watermark found\n");
}

TEST_F(Cli, SameSeedSameBytesOtherwiseFresh) {
    const std::string in = picture("in.png");
    const std::string a = dir.file("a.webp"), b = dir.file("b.webp"), c = dir.file("c.webp"), d = dir.file("d.webp");
    ASSERT_EQ(cli({"--cli", "--in", in, "--out", a, "--seed", "+77", "--no-rename"}).exitCode, 0);
    ASSERT_EQ(cli({"--cli", "--in", in, "--out", b, "--seed", "77", "--no-rename"}).exitCode, 0);
    const auto random = cli({"--cli", "--in", in, "--out", c, "--no-rename"});
    ASSERT_EQ(random.exitCode, 0);
    EXPECT_EQ(random.err, "") << "no seed asked for, nothing to say";
    EXPECT_EQ(test::readFile(a), test::readFile(b));
    EXPECT_NE(test::readFile(a), test::readFile(c));

    // A seed that is no whole number in range still runs, on a random seed it names, so the
    // run can be repeated.
    for (const char* bad : {"-1", "nan", "18446744073709551616", "", "7\x1b[2J"}) {
        const auto r = cli({"--cli", "--in", in, "--out", d, "--seed", bad, "--no-rename"});
        ASSERT_EQ(r.exitCode, 0) << bad;
        const std::string lead = "notice: --seed " + printable(bad) +
                                 " is not a whole number from 0 to 18446744073709551615; used the random seed ";
        ASSERT_THAT(r.err, testing::StartsWith(lead)) << bad;
        ASSERT_THAT(r.err, testing::EndsWith("\n"));
        const std::string seed = r.err.substr(lead.size(), r.err.size() - lead.size() - 1);
        ASSERT_TRUE(CLI::parseSeed(seed)) << seed;
        ASSERT_EQ(cli({"--cli", "--in", in, "--out", b, "--seed", seed, "--no-rename"}).exitCode, 0);
        EXPECT_EQ(test::readFile(d), test::readFile(b)) << bad;
        EXPECT_NE(test::readFile(d), test::readFile(a)) << bad;
    }
    // Once, on the road that streams a JPEG through, too.
    const auto streamed =
        cli({"--cli", "--in", in, "--out", dir.file("e.jpg"), "--format", "jpeg", "--seed", "x", "--no-rename"});
    EXPECT_EQ(streamed.exitCode, 0);
    EXPECT_THAT(streamed.err, testing::MatchesRegex("notice: --seed x is not [^\n]*used the random seed [0-9]+\n"));
}

TEST_F(Cli, LossyWithoutWatermarkAndNoCheck) {
    const std::string in = picture("in.png");
    const std::string out = dir.file("out.webp");
    const auto r = cli({"--cli", "--in", in, "--out", out, "--text", "hello", "--no-invisible", "--no-rename"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("  64x48  lossy q70  "));
    EXPECT_THAT(r.out, Not(HasSubstr("watermark")));
    EXPECT_THAT(test::run({"webpinfo", out}).out, HasSubstr("Format: Lossy"));

    // The label shows the quality the encoder used: truncated, and within 0 to 100 where
    // JPEG and HEIF clamp it.
    for (const auto& [quality, format, label] : std::vector<std::array<std::string, 3>>{
             {"55.9", "webp", "lossy q55  "}, {"1e308", "jpeg", "lossy q100  "}, {"-1e308", "heif", "lossy q0  "}}) {
        const auto q =
            cli({"--cli", "--in", in, "--out", out, "--quality", quality, "--format", format, "--no-rename"});
        EXPECT_EQ(q.exitCode, 0) << quality << q.err;
        EXPECT_THAT(q.out, HasSubstr(label)) << quality;
    }
    const auto refused = cli({"--cli", "--in", in, "--out", out, "--quality", "1e308", "--no-rename"});
    EXPECT_EQ(refused.exitCode, 1) << "WebP refuses a quality above 100";
    EXPECT_EQ(refused.err, "error: processing failed\n");
}

TEST_F(Cli, TheCheckWantsTheRecordThatWasAskedFor) {
    const std::string in = picture("tiny.png", 4, 4);
    const std::string out = dir.file("tiny.webp");
    auto r = cli({"--cli", "--in", in, "--out", out, "--text", "hello", "--no-rename"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.out, testing::EndsWith("re-decoded ok: 4x4\nwatermark NOT found after re-decode\n"));
    EXPECT_TRUE(fs::exists(out)) << "the file stays";

    // A picture that already carries a record, processed with one too long to fit: the old
    // record is still in the output's pixels, but it is not the one asked for.
    const std::string marked = dir.file("marked.png");
    ASSERT_EQ(cli({"--cli", "--in", picture("in.png", 8, 8), "--out", marked, "--format", "png", "--text", "OLD",
                   "--no-rename"})
                  .exitCode,
              0);
    ASSERT_EQ(cli({"--extract", marked}).out, "text: OLD\n");
    const std::string again = dir.file("again.png");
    r = cli({"--cli", "--in", marked, "--out", again, "--format", "png", "--no-color", "--text", std::string(40, 'x'),
             "--no-rename"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.out, testing::EndsWith("re-decoded ok: 8x8\nwatermark NOT found after re-decode\n"));
    EXPECT_EQ(cli({"--extract", again}).out, "text: OLD\n") << "the old record did survive";
    // So does the old text record when an image was asked for.
    r = cli(
        {"--cli", "--in", marked, "--out", again, "--format", "png", "--no-color", "--logo", marked, "--no-rename"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.out, testing::EndsWith("watermark NOT found after re-decode\n"));
}

TEST_F(Cli, FailedWritesLeaveNothingBehind) {
    const std::string in = picture("in.png");
    const std::string missing = dir.file("no/such/folder/out.webp");
    auto r = cli({"--cli", "--in", in, "--out", missing, "--no-rename"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "error: could not write " + missing + ": No such file or directory\n");
    EXPECT_EQ(r.out, "");

    fs::create_directory(dir.file("taken"));
    r = cli({"--cli", "--in", in, "--out", dir.file("taken"), "--no-rename"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("error: could not write "));

    // An existing file is replaced by a whole new one, and no temporary file is left.
    const std::string out = dir.file("existing.webp");
    test::writeFile(out, std::string("old contents"));
    ASSERT_EQ(cli({"--cli", "--in", in, "--out", out, "--no-rename"}).exitCode, 0);
    const test::Bytes bytes = test::readFile(out);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(test::namesIn(dir.path()), (std::set<std::string>{"existing.webp", "in.png", "taken"}));
}

// Naming reads the picture the command has decoded (--cli) or a thumbnail of the file
// (--suggest-name); both read the words on the sample's sign, also from a picture larger
// than naming looks at.
TEST_F(Cli, ContentNamesComeFromThePictureItself) {
    const std::string large = dir.file("large.jpg");
    ASSERT_EQ(test::run({"vips", "resize", sample(), large + "[Q=90]", "2.5"}).exitCode, 0); // 4000 x 2668
    for (const std::string& in : {sample(), large}) {
        const auto r = cli({"--suggest-name", in});
        EXPECT_EQ(r.exitCode, 0) << in;
        EXPECT_EQ(r.out, "harbour-fish-market\n") << in;
    }
    const auto r = cli({"--cli", "--in", large, "--out", dir.file("unnamed.webp"), "--seed", "1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir.file("harbour-fish-market.webp")));
    EXPECT_FALSE(fs::exists(dir.file("unnamed.webp")));
}

// Outputs named from the picture's content never replace a file: not an unrelated one, not
// an earlier output of the same name, not the input itself.
TEST_F(Cli, ContentNamesNeverReplaceAFile) {
    // The sample reads as "harbour fish market"; its PNG copy sits on the name its own
    // output gets, and an unrelated file holds the next one.
    const std::string input = dir.file("harbour-fish-market.png");
    ASSERT_EQ(test::run({"vips", "copy", test::samplePath("harbour.jpg"), input}).exitCode, 0);
    const test::Bytes inputBytes = test::readFile(input);
    test::writeFile(dir.path() / "harbour-fish-market-2.png", std::string("unrelated"));
    const std::string typed = dir.file("typed.png");

    std::vector<test::Bytes> outputs;
    for (const char* n : {"3", "4"}) {
        const auto r = cli({"--cli", "--in", input, "--out", typed, "--format", "png", "--seed", n});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string named = dir.file(std::string("harbour-fish-market-") + n + ".png");
        EXPECT_THAT(r.out, testing::StartsWith("wrote " + named + "  1600x1067  lossless  ")) << "the path written";
        outputs.push_back(test::readFile(named));
    }
    EXPECT_EQ(test::readFile(input), inputBytes);
    const test::Bytes unrelated = test::readFile(dir.path() / "harbour-fish-market-2.png");
    EXPECT_EQ(std::string(unrelated.begin(), unrelated.end()), "unrelated");
    EXPECT_EQ(test::readFile(dir.path() / "harbour-fish-market-3.png"), outputs[0]) << "the first output stays";
    EXPECT_NE(outputs[0], outputs[1]);
    EXPECT_FALSE(fs::exists(typed));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 4) << "nothing else";

    // The path typed in --out is the user's choice: it is replaced as before.
    test::writeFile(typed, std::string("old"));
    ASSERT_EQ(cli({"--cli", "--in", input, "--out", typed, "--format", "png", "--no-rename"}).exitCode, 0);
    const test::Bytes replaced = test::readFile(typed);
    ASSERT_GT(replaced.size(), 8u);
    EXPECT_EQ(std::string(replaced.begin() + 1, replaced.begin() + 4), "PNG");
}

// The format decides the bytes, not the file name, each decodes again to the size written, and
// no metadata of the sample (camera EXIF, GPS, XMP) reaches any of them.
TEST_F(Cli, FormatNotNameDecidesTheBytesAndNoSourceMetadataRemains) {
    for (const auto& [format, at, magic] : std::vector<std::tuple<std::string, std::size_t, std::string>>{
             {"WebP", 8, "WEBP"}, {"PNG", 1, "PNG"}, {"jpeg", 0, "\xFF\xD8\xFF"}, {"heif", 4, "ftypheic"}}) {
        // With the crop the picture is held whole; without it, PNG and JPEG stream through.
        for (const std::string size : {"1598x1065", "1600x1067"}) {
            const std::string out = dir.file("meta-" + format + size + ".webp");
            std::vector<std::string> args = {"--cli", "--in",     sample(), "--out",
                                             out,     "--format", format,   "--no-rename"};
            if (size == "1598x1065") args.push_back("--micro");
            const auto r = cli(args);
            ASSERT_EQ(r.exitCode, 0) << format << r.err << r.out;
            EXPECT_THAT(r.out, HasSubstr("  " + size + "  ")) << format;
            EXPECT_THAT(r.out, HasSubstr("\nre-decoded ok: " + size + "\n")) << format;
            const test::Bytes bytes = test::readFile(out);
            EXPECT_EQ(std::string(bytes.begin() + at, bytes.begin() + at + magic.size()), magic) << format;
            const std::string tags = test::run({"exiftool", "-a", "-G1", "-s", out}).out;
            for (const char* group : {"[IFD0]", "[GPS]", "[ExifIFD]", "[XMP", "[IPTC]", "QuelsoCam", "Sample Author"})
                EXPECT_THAT(tags, Not(HasSubstr(group))) << format << size;
        }
    }
}

TEST_F(Cli, KeptProfileTravelsInWebPAfterTheHeaderChunk) {
    const std::string plain = picture("plain.png");
    const std::string tagged = dir.file("p3.png");
    ASSERT_EQ(test::run({"vips", "icc_transform", plain, tagged, "p3"}).exitCode, 0);
    const std::string out = dir.file("kept.webp");
    ASSERT_EQ(cli({"--cli", "--in", tagged, "--out", out, "--keep-metadata", "--no-rename", "--text", "x"}).exitCode,
              0);
    EXPECT_THAT(test::run({"webpinfo", out}).out, testing::ContainsRegex("Chunk VP8X.*Chunk ICCP.*Chunk VP8L"));

    const std::string stripped = dir.file("stripped.webp");
    ASSERT_EQ(cli({"--cli", "--in", tagged, "--out", stripped, "--no-rename"}).exitCode, 0);
    EXPECT_THAT(test::run({"webpinfo", stripped}).out, Not(HasSubstr("ICCP")));
}

} // namespace
} // namespace quelso
