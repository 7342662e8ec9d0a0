// Runs held at the moment their output waits in its temporary file: an interrupt then
// leaves nothing of it behind, and other users cannot read a key off the command line.
// The temporary file's short name never stands in the way of a long final name either.
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

#include <gtest/gtest.h>

#include "TestImages.h"
#include "TestSupport.h"

extern char** environ;

namespace quelso {
namespace {

namespace fs = std::filesystem;
using test::namesIn;
using namespace std::chrono_literals;

// Starts mottler with its fsync stalled, silent, and returns its process id.
pid_t startStalled(const std::vector<std::string>& args) {
    std::vector<std::string> environment{std::string("LD_PRELOAD=") + QUELSO_STALL_FSYNC};
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).substr(0, 11) != "LD_PRELOAD=") environment.emplace_back(*e);
    std::string program = test::mottlerPath();
    std::vector<char*> envp, argv{program.data()};
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

TEST(StalledRun, AnInterruptedWriteLeavesTheFolderAsItWas) {
    for (const int signal : {SIGINT, SIGTERM}) {
        test::TempDir dir;
        const std::string in = dir.file("in.png"), out = dir.file("out.png");
        ASSERT_TRUE(test::writeImage(in, test::randomPixels(300, 200, 3, 4), 300, 200, 3));
        test::writeFile(out, std::string("the file that was there"));
        const auto before = namesIn(dir.path());

        const pid_t pid = startStalled({"--cli", "--in", in, "--out", out, "--format", "png", "--no-rename"});
        ASSERT_GT(pid, 0);
        // The output is complete in its temporary file and waits for fsync.
        bool writing = false;
        for (auto waited = 0ms; !writing && waited < 60s; waited += 10ms) {
            std::this_thread::sleep_for(10ms);
            for (const std::string& name : namesIn(dir.path())) writing |= name.starts_with(".quelso-");
        }
        EXPECT_TRUE(writing);
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
    const pid_t pid =
        startStalled({"--cli", "--in", in, "--out", dir.file("out.png"), "--no-rename", "--api-key", "sk-very-secret"});
    ASSERT_GT(pid, 0);
    std::string commandLine;
    for (auto waited = 0ms; waited < 60s && namesIn(dir.path()).size() < 2; waited += 10ms)
        std::this_thread::sleep_for(10ms);
    const test::Bytes cmdline = test::readFile("/proc/" + std::to_string(pid) + "/cmdline");
    commandLine.assign(cmdline.begin(), cmdline.end());
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    EXPECT_NE(commandLine.find(std::string("--api-key") + '\0' + "xxxxxxxxxxxxxx"), std::string::npos) << commandLine;
    EXPECT_EQ(commandLine.find("secret"), std::string::npos);
}

TEST(TemporaryFile, NamesUpToTheLimitCanBeWritten) {
    test::TempDir dir;
    const std::string in = dir.file("in.png");
    ASSERT_TRUE(test::writeImage(in, test::randomPixels(16, 16, 3, 4), 16, 16, 3));
    const std::string longest = dir.file(std::string(251, 'n') + ".png"); // 255 bytes, the limit
    const auto r = test::mottler({"--cli", "--in", in, "--out", longest, "--format", "png", "--no-rename"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"in.png", std::string(251, 'n') + ".png"}));
}

} // namespace
} // namespace quelso
