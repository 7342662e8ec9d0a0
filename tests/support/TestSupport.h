#pragma once
// Small helpers shared by every test program: scratch folders, files, child processes and
// rasters. Image files are written by TestImages.h.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <sys/types.h>

namespace quelso::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system temp dir, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // path() / name as a string, for APIs that take text paths.
    std::string file(const std::string& name) const;

private:
    std::filesystem::path path_;
};

Bytes readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const Bytes& bytes);
void writeFile(const std::filesystem::path& path, const std::string& text);
// The names of the entries directly in the folder.
std::set<std::string> namesIn(const std::filesystem::path& folder);

struct CommandResult {
    int exitCode = -1; // the child's exit status; -1 when it could not run or was killed
    std::string out;   // standard output
    std::string err;   // standard error
};

// Starts argv[0] (searched in PATH) without waiting for it: its environment is this process's
// with the "NAME=value" entries given added or put in place, its standard streams the files
// named. Returns the child's process id, or -1. No shell is involved, so arguments need no quoting.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {},
            const std::string& in = "/dev/null", const std::string& out = "/dev/null",
            const std::string& err = "/dev/null");
// Runs argv[0] as spawn() does, feeding `input` to its standard input, and waits for it.
CommandResult run(const std::vector<std::string>& argv, const std::string& input = {});

// Rasters for fixtures: 8-bit, `bands` interleaved channels per pixel, rows packed.
Bytes solidPixels(int width, int height, const std::vector<std::uint8_t>& pixel);
Bytes randomPixels(int width, int height, int bands, std::uint64_t seed);
// Pixel (x, y) of an RGBA raster `width` wide; -1 in every channel when it lies outside.
std::array<int, 4> pixelAt(const Bytes& rgba, std::int64_t width, std::int64_t x, std::int64_t y);

// The mottler binary under test and a picture shipped in samples/.
std::string mottlerPath();
// Runs that binary with these arguments, as run() does.
CommandResult mottler(std::vector<std::string> args, const std::string& input = {});
// Starts it as spawn() does, without waiting: the caller waits.
pid_t startMottler(std::vector<std::string> args, const std::vector<std::string>& environment = {});
std::string samplePath(const std::string& name);

// The environment variable's value, or absent.
std::optional<std::string> env(const char* name);

} // namespace quelso::test
