// The effect options of `mottler --cli`: seeded runs repeat byte for byte, each effect changes
// the picture, and a value that does not parse leaves its effect off.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestImages.h"
#include "TestSupport.h"

namespace quelso {
namespace {

class EffectsCli : public testing::Test {
protected:
    EffectsCli() { EXPECT_TRUE(test::writeImage(input, test::randomPixels(40, 30, 3, 5), 40, 30, 3)); }

    // The written PNG's bytes after a seeded run with the given extra options.
    test::Bytes run(const std::vector<std::string>& extra) {
        const std::string out = dir.file("out" + std::to_string(++runs) + ".png");
        std::vector<std::string> args = {test::mottlerPath(), "--cli", "--in",   input, "--out",       out,
                                         "--format",          "png",   "--seed", "99",  "--no-rename", "--no-force"};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = test::run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return test::readFile(out);
    }

    test::TempDir dir;
    std::string input = dir.file("in.png");
    int runs = 0;
};

// Far out of every range, each number still does what its formula says: a saturated or
// flat picture, never a crash, an undefined conversion (the sanitizer build checks) or an
// absurd report.
TEST_F(EffectsCli, HugeValuesRunCleanly) {
    const std::string logo = dir.file("logo.png");
    ASSERT_TRUE(test::writeImage(logo, test::solidPixels(4, 4, {0, 0, 0}), 4, 4, 3));
    for (const std::string option : {"--quality", "--opacity", "--warp", "--blur", "--sharpen", "--contrast",
                                     "--vignette", "--logo-size", "--logo-opacity", "--logo-margin", "--motion",
                                     "--motion-angle", "--wave", "--twirl", "--grain", "--cr-tol", "--noise"})
        for (const char* huge : {option == "--noise" ? "9223372036854775807" : "1e308", "-1e308"}) {
            const auto r = test::mottler({"--cli", "--in", input, "--out", dir.file("huge.jpg"), "--format", "jpeg",
                                          "--seed", "1", "--no-rename", "--text", "hi", "--visible", "--no-invisible",
                                          "--logo-stamp", logo, "--color-replace", option, huge});
            EXPECT_EQ(r.exitCode, 0) << option << " " << huge << r.err;
            EXPECT_THAT(r.out, testing::MatchesRegex("wrote .*  40x30  lossy q[0-9]{1,3}  [0-9]+\\.[0-9]{2} KB\n"
                                                     "pixels changed: [0-9]{1,3}\\.[0-9]{3}%\n"
                                                     "re-decoded ok: 40x30\n"))
                << option << " " << huge;
        }
}

// Which values parse is settled option by option in ArgumentsTest; one run shows the command
// line honours it.
TEST_F(EffectsCli, EachEffectRepeatsWithTheSeedAndIsOffWhenItsValueDoesNotParse) {
    const test::Bytes plain = run({});
    for (const std::string option :
         {"--warp", "--wave", "--twirl", "--motion", "--blur", "--sharpen", "--contrast", "--vignette", "--grain"}) {
        const test::Bytes once = run({option, "0.8"});
        EXPECT_NE(once, plain) << option;
        EXPECT_EQ(run({option, "0.8"}), once) << option;
    }
    EXPECT_EQ(run({"--warp", "0.8x"}), plain);
}

TEST_F(EffectsCli, MotionAngleAloneAndMalformedColoursChangeNothing) {
    const test::Bytes plain = run({});
    EXPECT_EQ(run({"--motion-angle", "45"}), plain);
    const test::Bytes slanted = run({"--motion", "0.5", "--motion-angle", "45"});
    EXPECT_NE(slanted, run({"--motion", "0.5"}));
    EXPECT_EQ(run({"--motion", "0.5", "--motion-angle", "45"}), slanted);

    const test::Bytes grey = run({"--color-replace", "--cr-from", "#808080", "--cr-to", "00ff00", "--cr-tol", "0.4"});
    EXPECT_NE(grey, plain);
    EXPECT_EQ(run({"--color-replace", "--cr-from", "808080", "--cr-to", "#00FF00", "--cr-tol", "0.4"}), grey);
    // A colour that does not parse keeps the default (red), as if it had not been given.
    EXPECT_EQ(run({"--color-replace", "--cr-from", "#80808", "--cr-tol", "0.4"}),
              run({"--color-replace", "--cr-tol", "0.4"}));
}

} // namespace
} // namespace quelso
