// mottler --batch over folders of real pictures, as a script or a scheduler would run it.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sys/wait.h>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "TestImages.h"
#include "TestSupport.h"

namespace quelso {
namespace {

namespace fs = std::filesystem;
using test::namesIn;
using testing::HasSubstr;

std::vector<nlohmann::json> reportLines(const fs::path& path) {
    std::vector<nlohmann::json> lines;
    std::ifstream file(path);
    for (std::string text; std::getline(file, text);) lines.push_back(nlohmann::json::parse(text));
    return lines;
}

int waitFor(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Batch : public testing::Test {
protected:
    // The loader corpus in several formats, a photo one folder down, a damaged file and a
    // file that is not a picture.
    void SetUp() override {
        const fs::path corpus =
            fs::path(test::samplePath("harbour.jpg")).parent_path().parent_path() / "fuzz/corpus/image_loader";
        fs::create_directories(in / "sub");
        for (const char* name : {"small.jpg", "small.png", "small.gif", "small.bmp", "small.tif", "small.webp",
                                 "small.heic", "progressive.jpg"})
            fs::copy_file(corpus / name, in / (fs::path(name).extension().string().substr(1) + "_" + name));
        fs::copy_file(test::samplePath("harbour.jpg"), in / "sub/harbour.jpg");
        test::Bytes damaged = test::readFile(test::samplePath("harbour.jpg"));
        damaged.resize(300);
        test::writeFile(in / "damaged.jpg", damaged);
        test::writeFile(in / "notes.txt", std::string("not a picture"));
    }

    test::TempDir dir;
    fs::path in = dir.path() / "in";
    fs::path out = dir.path() / "out";
};

TEST_F(Batch, EveryInputOnceDamagedFileCountedSecondRunTouchesNothing) {
    const auto batch = [&](const std::string& report, const std::vector<std::string>& more) {
        std::vector<std::string> args{"--batch",    in.string(),   "--recursive",    "--out-dir",
                                      out.string(), "--no-rename", "--no-invisible", "--seed",
                                      "5",          "--report",    dir.file(report)};
        args.insert(args.end(), more.begin(), more.end());
        return test::mottler(args);
    };
    const test::CommandResult run = batch("r1.jsonl", {});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_THAT(run.err, HasSubstr("9 done, 1 failed, SSIM mean "));
    const auto lines = reportLines(dir.path() / "r1.jsonl");
    ASSERT_EQ(lines.size(), 10u);
    std::set<std::string> inputs;
    std::map<std::string, test::Bytes> written;
    for (const auto& line : lines) {
        inputs.insert(line["input"].get<std::string>());
        if (line["input"] == (in / "damaged.jpg").string()) {
            EXPECT_EQ(line["status"], "failed");
            EXPECT_EQ(line["message"], "could not read");
            continue;
        }
        EXPECT_EQ(line["status"], "done") << line.dump();
        const fs::path output = line["output"].get<std::string>();
        EXPECT_EQ(output.parent_path(), out);
        EXPECT_EQ(output.filename().string(),
                  fs::path(line["input"].get<std::string>()).stem().string() + "-unique.webp");
        EXPECT_GT(line["ssim"].get<double>(), 0.3);
        EXPECT_LE(line["ssim"].get<double>(), 1.0);
        EXPECT_LE(line["hashDistance"].get<int>(), 16);
        EXPECT_EQ(line["bytes"].get<std::int64_t>(), static_cast<std::int64_t>(fs::file_size(output)));
        written[output.string()] = test::readFile(output);
    }
    EXPECT_EQ(inputs.size(), 10u);
    EXPECT_EQ(written.size(), 9u);
    EXPECT_EQ(namesIn(out).size(), 9u);

    // Again into the same folder, one item at a time: new names, the same bytes (the seeds
    // follow the paths, not the order), and no earlier file touched.
    EXPECT_EQ(batch("r2.jsonl", {"--jobs", "1"}).exitCode, 1);
    for (const auto& [path, bytes] : written) EXPECT_EQ(test::readFile(path), bytes) << path;
    for (const auto& line : reportLines(dir.path() / "r2.jsonl")) {
        if (line["status"] != "done") continue;
        const fs::path output = line["output"].get<std::string>();
        EXPECT_EQ(written.count(output.string()), 0u);
        EXPECT_THAT(output.filename().string(), HasSubstr("-unique-2."));
        const fs::path earlier = out / (output.stem().string().substr(0, output.stem().string().size() - 2) + ".webp");
        EXPECT_EQ(test::readFile(output), written.at(earlier.string()));
    }
    EXPECT_EQ(namesIn(out).size(), 18u);
}

// The input a report line names: the exact bytes of "inputHex" when the path is not UTF-8.
std::string inputOf(const nlohmann::json& line) {
    if (!line.contains("inputHex")) return line["input"].get<std::string>();
    const std::string hex = line["inputHex"].get<std::string>();
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

void waitForLines(const std::string& report, std::size_t count) {
    while (!fs::exists(report) || reportLines(report).size() < count)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

TEST_F(Batch, InterruptedKilledAndResumedDoesEveryItemOnce) {
    fs::remove_all(in);
    fs::create_directories(in);
    // Two names that are not UTF-8 and differ only in the byte that is not: the report must
    // still tell them apart for --resume.
    std::set<std::string> expected;
    for (int i = 0; i < 10; ++i) {
        const std::string name = i == 8 ? "p\xe9.jpg" : i == 9 ? "p\xe8.jpg" : "p" + std::to_string(i) + ".jpg";
        fs::copy_file(test::samplePath("harbour.jpg"), in / name);
        expected.insert((in / name).string());
    }
    const std::string report = dir.file("r.jsonl");
    const std::vector<std::string> args{"--batch", in.string(), "--out-dir", out.string(), "--no-rename", "--jobs",
                                        "1",       "--text",    "batch",     "--report",   report};
    std::vector<std::string> resumed = args;
    resumed.insert(resumed.end(), {"--resume", report});

    // Ctrl+C: the running item finishes or is dropped, the batch says how many are left.
    pid_t pid = test::startMottler(args);
    ASSERT_GT(pid, 0) << "a pid of 0 or -1 would signal every process";
    waitForLines(report, 1);
    kill(pid, SIGINT);
    EXPECT_EQ(waitFor(pid), 130);
    const std::size_t interrupted = reportLines(report).size();
    EXPECT_LT(interrupted, 10u);
    EXPECT_EQ(namesIn(out).size(), interrupted) << "no partial or unreported file";

    // Killed outright part-way through the resumed run: nothing can clean up, and still no
    // file is left, named or hidden, that the report does not show.
    pid = test::startMottler(resumed);
    ASSERT_GT(pid, 0);
    waitForLines(report, interrupted + 1);
    kill(pid, SIGKILL);
    waitFor(pid);
    const std::size_t killed = reportLines(report).size();
    EXPECT_LT(killed, 10u);
    EXPECT_EQ(namesIn(out).size(), killed) << "no partial or unreported file";

    EXPECT_EQ(test::mottler(resumed).exitCode, 0);
    std::multiset<std::string> inputs;
    for (const auto& line : reportLines(report)) {
        EXPECT_EQ(line["status"], "done");
        EXPECT_TRUE(line["watermarkEmbedded"].get<bool>() && line["watermarkRead"].get<bool>());
        inputs.insert(inputOf(line));
    }
    EXPECT_EQ(inputs, std::multiset<std::string>(expected.begin(), expected.end())) << "every item once";
    EXPECT_EQ(namesIn(out).size(), 10u);
}

TEST_F(Batch, ThreeShardsAsSeparateProcessesShareOneFolder) {
    // Two pictures of each stem, so the shards race for the same names.
    for (const char* name : {"png_small.png", "jpg_small.jpg", "gif_small.gif"})
        fs::copy_file(in / name, in / "sub" / name);
    std::vector<pid_t> shards;
    for (int i = 0; i < 3; ++i)
        shards.push_back(test::startMottler({"--batch", in.string(), "--recursive", "--out-dir", out.string(),
                                             "--no-rename", "--no-invisible", "--shard", std::to_string(i) + "/3",
                                             "--report", dir.file("r" + std::to_string(i) + ".jsonl")}));
    std::multiset<int> statuses;
    for (const pid_t pid : shards) statuses.insert(waitFor(pid));
    EXPECT_EQ(statuses, (std::multiset<int>{0, 0, 1})) << "only the shard with the damaged file fails";
    std::multiset<std::string> inputs, outputs;
    for (int i = 0; i < 3; ++i)
        for (const auto& line : reportLines(dir.path() / ("r" + std::to_string(i) + ".jsonl"))) {
            inputs.insert(line["input"].get<std::string>());
            if (line["status"] == "done") outputs.insert(line["output"].get<std::string>());
        }
    // Each input once, and each output its own file, every one of them in the folder.
    EXPECT_EQ(inputs.size(), 13u);
    EXPECT_EQ(std::set<std::string>(inputs.begin(), inputs.end()).size(), 13u);
    std::set<std::string> names;
    for (const std::string& output : outputs) names.insert(fs::path(output).filename().string());
    EXPECT_EQ(outputs.size(), 12u);
    EXPECT_EQ(names, namesIn(out));
}

TEST_F(Batch, SsimFallsAsTheBlurGrows) {
    double previous = 1.0;
    for (const char* blur : {"0.1", "0.5", "1"}) {
        const std::string report = dir.file(std::string("blur") + blur + ".jsonl");
        ASSERT_EQ(test::mottler({"--batch", (in / "sub/harbour.jpg").string(), "--out-dir", out.string(), "--no-rename",
                                 "--seed", "3", "--blur", blur, "--report", report})
                      .exitCode,
                  0);
        const double ssim = reportLines(report).at(0)["ssim"].get<double>();
        EXPECT_LT(ssim, previous) << blur;
        previous = ssim;
    }
}

TEST_F(Batch, AFailedCheckWritesNothing) {
    // Too small to hold the record: the check after encoding fails, before anything is written.
    const fs::path tiny = dir.path() / "tiny.png";
    ASSERT_TRUE(test::writeImage(tiny.string(), test::Bytes(6 * 6 * 3, 90), 6, 6, 3));
    const std::string report = dir.file("r.jsonl");
    const test::CommandResult run = test::mottler({"--batch", tiny.string(), "--out-dir", out.string(), "--no-rename",
                                                   "--text", "a record too long for six by six", "--report", report});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.err, HasSubstr("0 done, 1 failed\n"));
    const auto lines = reportLines(report);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["message"], "watermark not found after re-decode");
    EXPECT_TRUE(lines[0]["output"].is_null() && lines[0]["ssim"].is_null() && lines[0]["hashDistance"].is_null());
    EXPECT_TRUE(namesIn(out).empty());
}

TEST(BatchUsage, MistakesAreUsageErrors) {
    test::TempDir dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--batch", dir.file("a.png")},
          {"--batch", "--out-dir", dir.file("o")},
          {"--batch", dir.file("a.png"), "--out-dir", dir.file("o"), "--frobnicate"},
          {"--batch", dir.file("a.png"), "--out-dir", dir.file("o"), "--shard", "3/3"},
          {"--batch", dir.file("a.png"), "--out-dir", dir.file("o"), "--jobs", "0"},
          {"--batch", dir.file("a.png"), "--out-dir", dir.file("o"), "--seed", "x"},
          {"--batch", dir.file("a.png"), "--out-dir"}}) {
        const test::CommandResult run = test::mottler(args);
        EXPECT_EQ(run.exitCode, 2) << args.back();
        EXPECT_THAT(run.err, HasSubstr("--batch <files or folders...> --out-dir <folder>"));
    }
    EXPECT_THAT(test::mottler({"--help"}).out, HasSubstr("--shard <i>/<n>"));
}

} // namespace
} // namespace quelso
