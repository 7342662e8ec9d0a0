// The argument helpers and the options they set, without running a picture.
#include <cstdlib>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/CLI.h"

namespace quelso {
namespace {

using CLI::Args;

TEST(Arguments, ValueTakesTheNextElementOfTheFirstOccurrence) {
    const Args args{"--in", "a.png", "--text", "--visible", "--in", "b.png", "--out"};
    EXPECT_EQ(CLI::value(args, "--in"), "a.png");
    EXPECT_EQ(CLI::value(args, "--text"), "--visible");
    EXPECT_FALSE(CLI::value(args, "--out")) << "last element has no value";
    EXPECT_FALSE(CLI::value(args, "--IN")) << "names are case-sensitive";
    EXPECT_TRUE(CLI::contains(args, "--visible"));
    EXPECT_FALSE(CLI::contains(args, "--visibl"));
}

// Numbers follow strtod in the C locale, consumed whole and finite; integers and seeds are
// plain decimals within their 64-bit range; colours are six hex digits.
TEST(Arguments, ParsersTakeWholeTextsInRangeAndNothingElse) {
    EXPECT_EQ(CLI::parseNumber("-2e1"), -20.0);
    EXPECT_EQ(CLI::parseNumber("0x1p-1"), 0.5);
    EXPECT_EQ(CLI::parseNumber(".25"), 0.25);
    EXPECT_EQ(CLI::parseNumber("1e308"), 1e308);
    EXPECT_EQ(CLI::parseNumber("1e-999"), 0.0) << "underflow is a number, zero";
    for (const char* bad : {"", " 1", "\t1", "1 ", "1x", "0,5", "--1", "inf", "-inf", "INFINITY", "nan", "-nan(0x8)",
                            "1e999", "-1e999", "0x1p99999"})
        EXPECT_FALSE(CLI::parseNumber(bad)) << '"' << bad << '"';

    EXPECT_EQ(CLI::parseInteger("+3"), 3);
    EXPECT_EQ(CLI::parseInteger("-9223372036854775808"), INT64_MIN);
    for (const char* bad : {"", "+", "-", "1.0", "9223372036854775808", " 1", "1 ", "0x10", "+-1"})
        EXPECT_FALSE(CLI::parseInteger(bad)) << '"' << bad << '"';
    EXPECT_EQ(CLI::parseSeed("18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(CLI::parseSeed("+42"), 42u);
    for (const char* bad : {"", "-1", "18446744073709551616", "4 2", "+", "++1", "1e3"})
        EXPECT_FALSE(CLI::parseSeed(bad)) << '"' << bad << '"';

    for (const char* red : {"#ff0000", "ff0000", "FF0000"}) EXPECT_EQ(CLI::parseHex(red), (RGBColor{1, 0, 0}));
    EXPECT_EQ(CLI::parseHex("#0073ff"), (RGBColor{0, 115.0 / 255, 1}));
    for (const char* bad : {"#f00", "", "#", "##ff0000", "ff00000", "gg0000", "+f0000", "-f0000", " f0000"})
        EXPECT_FALSE(CLI::parseHex(bad)) << '"' << bad << '"';
}

TEST(Arguments, ProviderAndKey) {
    EXPECT_EQ(CLI::renameProvider({"--rename-provider", "OpenAI"}), RenameProvider::openAI);
    EXPECT_EQ(CLI::renameProvider({"--rename-provider", "claude"}), RenameProvider::claude);
    EXPECT_EQ(CLI::renameProvider({"--rename-provider", "CUSTOM"}), RenameProvider::custom);
    EXPECT_EQ(CLI::renameProvider({"--rename-provider", "vision"}), RenameProvider::appleVision);

    ::setenv("GEMINI_API_KEY", "from-env", 1);
    ::unsetenv("OPENAI_API_KEY");
    EXPECT_EQ(CLI::apiKey({}, RenameProvider::gemini), "from-env");
    EXPECT_EQ(CLI::apiKey({"--api-key", "given"}, RenameProvider::gemini), "given");
    EXPECT_EQ(CLI::apiKey({"--api-key", "given"}, RenameProvider::appleVision), "given");
    EXPECT_EQ(CLI::apiKey({}, RenameProvider::openAI), "");
    EXPECT_EQ(CLI::apiKey({}, RenameProvider::appleVision), "");
    ::unsetenv("GEMINI_API_KEY");

    // "--api-key -" takes the first line of standard input, without its line break.
    const int saved = ::dup(STDIN_FILENO);
    for (const auto& [input, key] :
         std::vector<std::pair<std::string, std::string>>{{"sk-line\nsecond line\n", "sk-line"},
                                                          {"sk-crlf\r\n", "sk-crlf"},
                                                          {"sk-no-newline", "sk-no-newline"},
                                                          {"", ""}}) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        ASSERT_EQ(::write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
        ::close(fds[1]);
        ::dup2(fds[0], STDIN_FILENO);
        ::close(fds[0]);
        EXPECT_EQ(CLI::apiKey({"--api-key", "-"}, RenameProvider::openAI), key) << input;
    }
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
}

// Each number option lands in its own field and, where it has one, switches its effect on;
// a value that is no finite number changes nothing at all.
TEST(Options, EachNumberSetsItsOwnFieldOrNothing) {
    using S = ProcessingSettings;
    const std::vector<std::tuple<std::string, double S::*, bool S::*>> options{
        {"--quality", &S::quality, nullptr},
        {"--opacity", &S::visibleOpacity, nullptr},
        {"--warp", &S::warpIntensity, &S::warpEnabled},
        {"--blur", &S::blurIntensity, &S::blurEnabled},
        {"--sharpen", &S::sharpenIntensity, &S::sharpenEnabled},
        {"--contrast", &S::bcIntensity, &S::bcEnabled},
        {"--vignette", &S::vignetteIntensity, &S::vignetteEnabled},
        {"--logo-size", &S::logoStampSizePercent, nullptr},
        {"--logo-opacity", &S::logoStampOpacity, nullptr},
        {"--logo-margin", &S::logoStampMarginPercent, nullptr},
        {"--motion", &S::motionBlurIntensity, &S::motionBlurEnabled},
        {"--motion-angle", &S::motionBlurAngle, nullptr}, // the angle alone blurs nothing
        {"--wave", &S::waveIntensity, &S::waveEnabled},
        {"--twirl", &S::twirlIntensity, &S::twirlEnabled},
        {"--grain", &S::grainIntensity, &S::grainEnabled},
        {"--cr-tol", &S::colorReplaceTolerance, nullptr}};
    const S defaults;
    for (const auto& [option, value, enabled] : options) {
        for (const char* bad : {"nan", "inf", "-inf", "1e999", "0.8x", ""}) {
            S s;
            EXPECT_FALSE(CLI::applyOptions({option, bad}, s));
            EXPECT_TRUE(s == defaults) << option << " " << bad;
        }
        S s, expected;
        EXPECT_FALSE(CLI::applyOptions({option, "1e308"}, s)); // out of range is the effect's business
        expected.*value = 1e308;
        if (enabled) expected.*enabled = true;
        EXPECT_TRUE(s == expected) << option;
    }
    for (const char* bad : {"1e308", "inf", "x", "99999999999999999999"}) {
        S s;
        CLI::applyOptions({"--noise", bad}, s);
        EXPECT_TRUE(s == defaults) << "--noise " << bad;
    }
    S s;
    CLI::applyOptions({"--noise", "5"}, s);
    EXPECT_TRUE(s.noiseEnabled) << "asking for a strength is asking for noise";
    EXPECT_EQ(s.noiseStrength, 5);
}

TEST(Options, FormatsFlagsColoursAndOrder) {
    ProcessingSettings s, expected;
    EXPECT_FALSE(CLI::applyOptions({"--format", "JPG", "--rename", "--no-rename", "--text", "--visible", "--cr-from",
                                    "#f00", "--cr-to", "00ff00", "--color-replace", "--no-invisible", "--keep-metadata",
                                    "--no-color", "--no-force", "--micro"},
                                   s));
    expected.outputFormat = OutputFormat::jpeg;
    expected.smartRename = false; // --no-rename comes later in the table
    expected.watermarkText = "--visible";
    expected.visible = true;
    expected.colorReplaceTo = {0, 1, 0}; // the three-digit "from" is ignored
    expected.colorReplaceEnabled = true;
    expected.removeMetadata = expected.forceUnique = false;
    expected.microGeometry = true;
    EXPECT_TRUE(s == expected);

    for (const auto& [format, chosen] : std::vector<std::pair<const char*, OutputFormat>>{
             {"HEIC", OutputFormat::heif}, {"Png", OutputFormat::png}, {"tiff", OutputFormat::webp}}) {
        ProcessingSettings t;
        CLI::applyOptions({"--format", format, "--format", "jpeg"}, t);
        EXPECT_EQ(t.outputFormat, chosen) << format << ": the first occurrence counts";
    }
}

} // namespace
} // namespace quelso
