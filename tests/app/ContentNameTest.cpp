// Outputs named from the picture's content never replace a file: not an unrelated one, not
// an earlier output of the same name, not the input itself.
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace quelso {
namespace {

namespace fs = std::filesystem;

TEST(ContentName, NeverReplacesAFile) {
    test::TempDir dir;
    // The sample reads as "harbour fish market"; its PNG copy sits on the name its own
    // output gets, and an unrelated file holds the next one.
    const std::string input = dir.file("harbour-fish-market.png");
    ASSERT_EQ(test::run({"vips", "copy", test::samplePath("harbour.jpg"), input}).exitCode, 0);
    const test::Bytes inputBytes = test::readFile(input);
    test::writeFile(dir.path() / "harbour-fish-market-2.png", std::string("unrelated"));
    const std::string typed = dir.file("typed.png");

    std::vector<test::Bytes> outputs;
    for (const char* n : {"3", "4"}) {
        const auto r = test::mottler({"--cli", "--in", input, "--out", typed, "--format", "png", "--seed", n});
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
    ASSERT_EQ(test::mottler({"--cli", "--in", input, "--out", typed, "--format", "png", "--no-rename"}).exitCode, 0);
    const test::Bytes replaced = test::readFile(typed);
    ASSERT_GT(replaced.size(), 8u);
    EXPECT_EQ(std::string(replaced.begin() + 1, replaced.begin() + 4), "PNG");
}

} // namespace
} // namespace quelso
