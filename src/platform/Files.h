#pragma once
// Whole-file reads and writes: only regular files of bounded size are read, and no write
// ever leaves a half-written file behind or replaces a file it was not asked to replace.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quelso::Files {

// Pictures, logos and models larger than this are refused unless a caller asks for more.
inline constexpr std::uint64_t kDefaultReadLimit = std::uint64_t{1} << 30;

// The whole file, or absent when it is not a regular file, cannot be read, or holds more
// than limit bytes; then *reason, when given, says why in a few words. Opening never blocks
// (a FIFO or device is refused, not waited on).
std::optional<std::vector<std::uint8_t>> read(const std::string& path, std::uint64_t limit = kDefaultReadLimit,
                                              std::string* reason = nullptr);

// Writes to a temporary file beside path and renames it over path once complete, so an
// existing file is only ever replaced by a whole new one. On failure returns the reason.
// Temporary files are named ".quelso-" and six random letters or digits, so any name that
// fits the folder can be written, and TemporaryFiles removes them when a signal ends the run.
std::optional<std::string> write(const std::string& path, std::span<const std::uint8_t> data);

// "base.ext" for counter 1, "base-<counter>.ext" from 2 on: the counter rule of every
// name chosen so that it never overwrites.
std::string numberedName(const std::string& base, int counter, const std::string& extension);

struct Created {
    std::string path;  // the file written, when it was written
    std::string error; // why not, otherwise
};

// Writes data to the first free name in folder among nameFor(1), nameFor(2), …: the bytes
// go to a temporary file first and are linked under the candidate name only if nothing
// exists there, so a file that appears between the check and the write is never replaced,
// not even by a concurrent writer choosing the same name. Where the file system allows, the
// temporary file has no name at all until then, so not even a process killed outright
// leaves a partial file behind.
Created createUnique(const std::string& folder, const std::function<std::string(int)>& nameFor,
                     std::span<const std::uint8_t> data);

} // namespace quelso::Files
