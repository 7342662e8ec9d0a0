// The batch's input list, shards, item seeds and report lines, without running a picture.
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "TestSupport.h"
#include "app/BatchInputs.h"
#include "app/BatchReport.h"
#include "core/SplitMix64.h"
#include "platform/Utf8.h"

namespace quelso::CLI {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> paths(const std::vector<BatchInput>& inputs) {
    std::vector<std::string> out;
    for (const BatchInput& input : inputs) out.push_back(input.path + " | " + input.relative);
    return out;
}

TEST(BatchInputs, FoldersGiveAcceptedPicturesSortedOnceOutputFolderLeftOut) {
    test::TempDir dir;
    const fs::path in = dir.path() / "in";
    for (const char* name : {"b.JPG", "a.png", "notes.txt", "sub/c.webp", "out/old.webp", "noext"}) {
        fs::create_directories((in / name).parent_path());
        test::writeFile(in / name, std::string("x"));
    }
    const std::string root = in.string();
    EXPECT_EQ(paths(listInputs({root}, false, root + "/out")),
              (std::vector<std::string>{root + "/a.png | a.png", root + "/b.JPG | b.JPG"}));
    // Named twice, a file is one input; a name that is nothing stays, to fail when read.
    EXPECT_EQ(
        paths(listInputs({root, root + "/notes.txt", dir.file("missing.png"), root + "/a.png"}, true, root + "/out")),
        (std::vector<std::string>{root + "/a.png | a.png", root + "/b.JPG | b.JPG", root + "/notes.txt | notes.txt",
                                  root + "/sub/c.webp | sub/c.webp", dir.file("missing.png") + " | missing.png"}));

    // Items start largest first; equal sizes and missing files keep the listed order.
    test::writeFile(in / "sub/c.webp", std::string("xxx"));
    test::writeFile(in / "b.JPG", std::string("xx"));
    test::writeFile(in / "d.png", std::string("x"));
    std::vector<BatchInput> started = listInputs({root, dir.file("missing.png")}, true, root + "/out");
    largestFirst(started);
    EXPECT_EQ(paths(started), (std::vector<std::string>{root + "/sub/c.webp | sub/c.webp", root + "/b.JPG | b.JPG",
                                                        root + "/a.png | a.png", root + "/d.png | d.png",
                                                        dir.file("missing.png") + " | missing.png"}));
}

TEST(BatchInputs, ShardsSplitThePositionsAndSeedsFollowThePath) {
    for (const char* bad : {"3/3", "1/0", "1", "-1/3", "1/3x"}) EXPECT_FALSE(parseShard(bad)) << bad;
    const Shard huge = *parseShard("1/18446744073709551615");
    std::vector<BatchInput> seven;
    for (int i = 0; i < 7; ++i) seven.push_back({std::to_string(i), ""});
    std::vector<std::string> all;
    for (std::uint64_t i = 0; i < 3; ++i)
        for (const BatchInput& input : takeShard(seven, {i, 3})) all.push_back(input.path);
    EXPECT_EQ(all, (std::vector<std::string>{"0", "3", "6", "1", "4", "2", "5"}));
    EXPECT_EQ(takeShard(seven, huge).size(), 1u);
    // 0xaf63dc4c8601ec8c is the published 64-bit FNV-1a of "a".
    EXPECT_EQ(itemSeed(7, "a"), SplitMix64::mix((7 ^ 0xaf63dc4c8601ec8cull) + SplitMix64::gamma));
    EXPECT_NE(itemSeed(7, "sub/a"), itemSeed(7, "a"));
}

TEST(BatchReport, LinesReadBackOnlyWholeDoneOnes) {
    ItemRecord done;
    done.input = "in/a.png";
    done.output = "out/a-unique.webp";
    done.done = true;
    done.seed = 18446744073709551615ull;
    done.ssim = 0.98;
    done.hashDistance = 2;
    const nlohmann::json line = nlohmann::json::parse(reportLine(done));
    EXPECT_EQ(line["seed"].get<std::uint64_t>(), 18446744073709551615ull);
    EXPECT_EQ(line["status"], "done");
    EXPECT_EQ(line["ssim"], 0.98);
    ItemRecord failed;
    failed.input = "in/b.png";
    failed.message = "could not read";
    const nlohmann::json failedLine = nlohmann::json::parse(reportLine(failed));
    EXPECT_TRUE(failedLine["output"].is_null() && failedLine["ssim"].is_null());

    test::TempDir dir;
    ItemRecord cut = done;
    cut.input = "in/c.png";
    const std::string cutLine = reportLine(cut);
    // Paths that are not UTF-8: the line stays valid UTF-8 JSON, with U+FFFD in the text, and
    // the exact bytes come back from the hex beside it, so two such paths stay apart.
    ItemRecord latin = done;
    latin.input = "in/caf\xe9.png";
    latin.output = "out/caf\xe9-unique.webp";
    ItemRecord other = latin;
    other.input = "in/caf\xe8.png";
    other.done = false;
    const std::string latinLine = reportLine(latin);
    EXPECT_TRUE(isValidUtf8({reinterpret_cast<const std::uint8_t*>(latinLine.data()), latinLine.size()}));
    const nlohmann::json parsed = nlohmann::json::parse(latinLine);
    EXPECT_EQ(parsed["input"], "in/caf\uFFFD.png");
    EXPECT_EQ(parsed["inputHex"], "696e2f636166e92e706e67");
    EXPECT_EQ(parsed["outputHex"], "6f75742f636166e92d756e697175652e77656270");
    EXPECT_FALSE(line.contains("inputHex") || line.contains("outputHex"));
    test::writeFile(dir.path() / "r.jsonl",
                    reportLine(done) + reportLine(failed) + latinLine + reportLine(other) + cutLine.substr(0, 20));
    EXPECT_EQ(*doneInputs(dir.file("r.jsonl")), (std::set<std::string>{"in/a.png", "in/caf\xe9.png"}));
    EXPECT_FALSE(doneInputs(dir.file("none.jsonl")));
}

} // namespace
} // namespace quelso::CLI
