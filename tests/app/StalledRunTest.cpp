// Runs held at the moment their output waits in its temporary file: an interrupt then
// leaves nothing of it behind, and other users cannot read a key off the command line.
#include <csignal>
#include <filesystem>
#include <set>
#include <sys/wait.h>
#include <thread>

#include <gtest/gtest.h>

#include "TestImages.h"
#include "TestSupport.h"

namespace quelso {
namespace {

namespace fs = std::filesystem;
using test::namesIn;
using namespace std::chrono_literals;

// Starts mottler with its fsync stalled, silent, and waits until its output sits complete in
// a temporary file in the folder. Returns its process id.
pid_t startStalled(const std::vector<std::string>& args, const fs::path& folder) {
    const pid_t pid = test::startMottler(args, {std::string("LD_PRELOAD=") + QUELSO_STALL_FSYNC});
    bool writing = false;
    for (auto waited = 0ms; pid > 0 && !writing && waited < 60s; waited += 10ms) {
        std::this_thread::sleep_for(10ms);
        for (const std::string& name : namesIn(folder)) writing |= name.starts_with(".quelso-");
    }
    EXPECT_TRUE(writing);
    return pid;
}

TEST(StalledRun, AnInterruptedWriteLeavesTheFolderAsItWas) {
    for (const int signal : {SIGINT, SIGTERM}) {
        test::TempDir dir;
        const std::string in = dir.file("in.png"), out = dir.file("out.png");
        ASSERT_TRUE(test::writeImage(in, test::randomPixels(300, 200, 3, 4), 300, 200, 3));
        test::writeFile(out, std::string("the file that was there"));
        const auto before = namesIn(dir.path());

        const pid_t pid =
            startStalled({"--cli", "--in", in, "--out", out, "--format", "png", "--no-rename"}, dir.path());
        ASSERT_GT(pid, 0);
        ::kill(pid, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "ended by the signal, as without a handler";
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(namesIn(dir.path()), before) << strsignal(signal);
        const test::Bytes kept = test::readFile(out);
        EXPECT_EQ(std::string(kept.begin(), kept.end()), "the file that was there");
    }
}

TEST(StalledRun, KeysAreBlankedInTheProcessList) {
    test::TempDir dir;
    const std::string in = dir.file("in.png");
    ASSERT_TRUE(test::writeImage(in, test::randomPixels(16, 16, 3, 4), 16, 16, 3));
    const pid_t pid = startStalled(
        {"--cli", "--in", in, "--out", dir.file("out.png"), "--no-rename", "--api-key", "sk-very-secret"}, dir.path());
    ASSERT_GT(pid, 0);
    const test::Bytes cmdline = test::readFile("/proc/" + std::to_string(pid) + "/cmdline");
    const std::string commandLine(cmdline.begin(), cmdline.end());
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    EXPECT_NE(commandLine.find(std::string("--api-key") + '\0' + "xxxxxxxxxxxxxx"), std::string::npos) << commandLine;
    EXPECT_EQ(commandLine.find("secret"), std::string::npos);
}

} // namespace
} // namespace quelso
