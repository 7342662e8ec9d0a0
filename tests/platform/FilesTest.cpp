// Reads that refuse what is not a bounded regular file; writes that never replace a file
// they were not asked to replace, even when many writers aim at one name at once.
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Files.h"
#include "platform/TemporaryFiles.h"

namespace quelso {
namespace {

namespace fs = std::filesystem;
using test::namesIn;

TEST(Files, ReadsOnlyBoundedRegularFiles) {
    test::TempDir dir;
    test::writeFile(dir.path() / "a.bin", std::string("hello"));
    EXPECT_EQ(Files::read(dir.file("a.bin")), (std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'}));
    EXPECT_TRUE(Files::read(dir.file("a.bin"), 5));
    // A FIFO with no writer must be refused at once, not waited on; a device would never end.
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    for (const auto& [path, limit, reason] : std::vector<std::tuple<std::string, std::uint64_t, std::string>>{
             {dir.file("a.bin"), 4, "larger than 4 bytes"},
             {dir.file("a.bin"), 0, "larger than 0 bytes"},
             {"/dev/zero", Files::kDefaultReadLimit, "not a regular file"},
             {dir.file("pipe"), Files::kDefaultReadLimit, "not a regular file"},
             {dir.path().string(), 1 << 20, "not a regular file"},
             {dir.file("missing"), 3 << 20, "No such file or directory"}}) {
        std::string why;
        EXPECT_FALSE(Files::read(path, limit, &why)) << path;
        EXPECT_EQ(why, reason) << path;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    // Sparse: refused from its size, not after reading 2 GiB.
    fs::resize_file(dir.path() / "a.bin", std::uintmax_t{2} << 30);
    std::string why;
    EXPECT_FALSE(Files::read(dir.file("a.bin"), 64 << 20, &why));
    EXPECT_EQ(why, "larger than 64 MiB");
}

// What an interrupt removes: the files registered as being written, and nothing else.
TEST(Files, TrackedTemporaryFilesAreRemovedAtOnce) {
    test::TempDir dir;
    for (const char* name : {".quelso-aaaaaa", ".quelso-bbbbbb", ".quelso-cccccc", "kept.webp"})
        test::writeFile(dir.path() / name, std::string("x"));
    const int folder = ::open(dir.path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    const int a = TemporaryFiles::track(folder, ".quelso-aaaaaa");
    const int b = TemporaryFiles::track(folder, ".quelso-bbbbbb");
    const int c = TemporaryFiles::track(folder, ".quelso-cccccc");
    EXPECT_EQ(TemporaryFiles::track(folder, std::string(40, 'n').c_str()), -1) << "too long to keep";
    TemporaryFiles::untrack(b); // renamed to its final name, say
    TemporaryFiles::removeAll();
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{".quelso-bbbbbb", "kept.webp"}));
    TemporaryFiles::untrack(a);
    TemporaryFiles::untrack(c);
    ::close(folder);
}

// The first free name follows the counter rule: "orange.webp" is taken, so 50 writers get
// "orange-2.webp" to "orange-51.webp".
TEST(Files, ConcurrentWritersOfOneNameEachGetTheirOwnFile) {
    test::TempDir dir;
    const test::Bytes before{1, 2, 3};
    test::writeFile(dir.path() / "orange.webp", before);

    constexpr int kWriters = 50;
    std::vector<std::string> written(kWriters);
    std::vector<std::thread> threads;
    for (int i = 0; i < kWriters; ++i)
        threads.emplace_back([&, i] {
            const std::vector<std::uint8_t> data(1000 + static_cast<std::size_t>(i), static_cast<std::uint8_t>(i));
            const auto created = Files::createUnique(
                dir.path().string(), [](int n) { return Files::numberedName("orange", n, "webp"); }, data);
            written[static_cast<std::size_t>(i)] = created.path;
        });
    for (auto& t : threads) t.join();

    EXPECT_EQ(test::readFile(dir.path() / "orange.webp"), before) << "the file that was there is untouched";
    std::set<std::string> distinct(written.begin(), written.end());
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kWriters));
    for (int i = 0; i < kWriters; ++i) {
        const auto bytes = test::readFile(written[static_cast<std::size_t>(i)]);
        ASSERT_EQ(bytes.size(), 1000u + static_cast<std::size_t>(i)) << written[static_cast<std::size_t>(i)];
        EXPECT_EQ(bytes.front(), static_cast<std::uint8_t>(i));
    }
    std::set<std::string> expected{"orange.webp"};
    for (int n = 2; n <= kWriters + 1; ++n) expected.insert("orange-" + std::to_string(n) + ".webp");
    EXPECT_EQ(namesIn(dir.path()), expected) << "no temporary file is left";
}

// A write swaps a whole file in with the permissions of a plain create, or leaves nothing.
TEST(Files, WritesAreWholeFilesWithPlainPermissionsOrNothing) {
    test::TempDir dir;
    const std::vector<std::uint8_t> data{9, 9};
    const auto failed = Files::createUnique(
        dir.file("missing-folder"), [](int n) { return Files::numberedName("x", n, "png"); }, data);
    EXPECT_TRUE(failed.path.empty());
    EXPECT_FALSE(failed.error.empty());
    EXPECT_TRUE(Files::write(dir.file("missing-folder/x.png"), data));

    test::writeFile(dir.path() / "out.png", std::string("old"));
    EXPECT_FALSE(Files::write(dir.file("out.png"), data));
    const mode_t previous = ::umask(027);
    EXPECT_FALSE(Files::write(dir.file("w.bin"), data));
    const auto created = Files::createUnique(
        dir.path().string(), [](int n) { return Files::numberedName("c", n, "bin"); }, data);
    ::umask(previous);
    EXPECT_EQ(test::readFile(dir.path() / "out.png"), test::Bytes(data.begin(), data.end()));
    EXPECT_EQ(fs::status(dir.path() / "w.bin").permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status(created.path).permissions(), fs::perms(0640));
    // The temporary file's short name never stands in the way of the longest final name.
    const std::string longest(251, 'n'); // 255 bytes with the extension
    EXPECT_FALSE(Files::write(dir.file(longest + ".png"), data));
    EXPECT_FALSE(Files::createUnique(
                     dir.path().string(), [&](int) { return longest + ".bin"; }, data)
                     .path.empty());
    EXPECT_EQ(namesIn(dir.path()),
              (std::set<std::string>{"c.bin", "out.png", "w.bin", longest + ".png", longest + ".bin"}));
}

} // namespace
} // namespace quelso
