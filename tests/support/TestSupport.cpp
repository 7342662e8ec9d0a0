#include "TestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

extern char** environ;

namespace quelso::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quelso-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::file(const std::string& name) const { return (path_ / name).string(); }

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeFile(const std::filesystem::path& path, const std::string& text) {
    writeFile(path, Bytes(text.begin(), text.end()));
}

std::set<std::string> namesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment, const std::string& in,
            const std::string& out, const std::string& err) {
    if (argv.empty()) return -1;
    std::vector<std::string> entries = environment;
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        const auto named = [&](const std::string& given) {
            return given.substr(0, given.find('=') + 1) == entry.substr(0, entry.find('=') + 1);
        };
        if (std::none_of(environment.begin(), environment.end(), named)) entries.emplace_back(entry);
    }
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    for (auto& e : entries) envp.push_back(e.data());
    args.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The streams go through files, so a child that writes much while we wait cannot block.
CommandResult run(const std::vector<std::string>& argv, const std::string& input) {
    CommandResult result;
    const TempDir streams;
    writeFile(streams.path() / "in", input);
    const pid_t pid = spawn(argv, {}, streams.file("in"), streams.file("out"), streams.file("err"));
    if (pid < 0) return result;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    const Bytes out = readFile(streams.path() / "out"), err = readFile(streams.path() / "err");
    result.out.assign(out.begin(), out.end());
    result.err.assign(err.begin(), err.end());
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

Bytes solidPixels(int width, int height, const std::vector<std::uint8_t>& pixel) {
    Bytes out;
    out.reserve(static_cast<std::size_t>(width) * height * pixel.size());
    for (long i = 0; i < static_cast<long>(width) * height; ++i) out.insert(out.end(), pixel.begin(), pixel.end());
    return out;
}

Bytes randomPixels(int width, int height, int bands, std::uint64_t seed) {
    std::mt19937_64 generator(seed);
    Bytes out(static_cast<std::size_t>(width) * height * bands);
    for (auto& b : out) b = static_cast<std::uint8_t>(generator() >> 56);
    return out;
}

std::array<int, 4> pixelAt(const Bytes& rgba, std::int64_t width, std::int64_t x, std::int64_t y) {
    const auto at = static_cast<std::size_t>((y * width + x) * 4);
    if (x < 0 || x >= width || y < 0 || at + 4 > rgba.size()) return {-1, -1, -1, -1};
    return {rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
}

std::optional<std::string> env(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

std::string mottlerPath() { return QUELSO_MOTTLER; }

CommandResult mottler(std::vector<std::string> args, const std::string& input) {
    args.insert(args.begin(), mottlerPath());
    return run(args, input);
}

pid_t startMottler(std::vector<std::string> args, const std::vector<std::string>& environment) {
    args.insert(args.begin(), mottlerPath());
    return spawn(args, environment);
}

std::string samplePath(const std::string& name) { return std::string(QUELSO_SAMPLES) + "/" + name; }

} // namespace quelso::test
