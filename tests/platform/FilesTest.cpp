// Reads that refuse what is not a bounded regular file; writes that never replace a file
// they were not asked to replace, even when many writers aim at one name at once.
#include <chrono>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <thread>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Files.h"

namespace quelso {
namespace {

namespace fs = std::filesystem;

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

TEST(Files, ReadsOnlyBoundedRegularFiles) {
    test::TempDir dir;
    test::writeFile(dir.path() / "a.bin", std::string("hello"));
    EXPECT_EQ(Files::read(dir.file("a.bin")), (std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'}));
    EXPECT_FALSE(Files::read(dir.file("a.bin"), 4)) << "one byte over the limit";
    EXPECT_TRUE(Files::read(dir.file("a.bin"), 5));
    EXPECT_FALSE(Files::read(dir.file("missing")));
    EXPECT_FALSE(Files::read(dir.path().string())) << "a folder";
    EXPECT_FALSE(Files::read("/dev/zero")) << "a device would never end";

    // A FIFO with no writer must be refused at once, not waited on.
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Files::read(dir.file("pipe")));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(Files, NumberedNamesFollowTheCounterRule) {
    EXPECT_EQ(Files::numberedName("cat-sofa", 1, "webp"), "cat-sofa.webp");
    EXPECT_EQ(Files::numberedName("cat-sofa", 2, "webp"), "cat-sofa-2.webp");
    EXPECT_EQ(Files::numberedName("photo-unique", 12, "jpg"), "photo-unique-12.jpg");
}

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
    EXPECT_EQ(namesIn(dir.path()).size(), static_cast<std::size_t>(kWriters) + 1) << "no temporary file is left";
    EXPECT_TRUE(namesIn(dir.path()).count("orange-51.webp"));
}

TEST(Files, FailedWritesLeaveNothingBehind) {
    test::TempDir dir;
    const std::vector<std::uint8_t> data{9, 9};
    const auto created = Files::createUnique(
        dir.file("missing-folder"), [](int n) { return Files::numberedName("x", n, "png"); }, data);
    EXPECT_TRUE(created.path.empty());
    EXPECT_FALSE(created.error.empty());
    EXPECT_TRUE(Files::write(dir.file("missing-folder/x.png"), data));

    // A replacing write swaps the whole file in; nothing else stays in the folder.
    test::writeFile(dir.path() / "out.png", std::string("old"));
    EXPECT_FALSE(Files::write(dir.file("out.png"), data));
    EXPECT_EQ(test::readFile(dir.path() / "out.png"), test::Bytes(data.begin(), data.end()));
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"out.png"}));
}

} // namespace
} // namespace quelso
