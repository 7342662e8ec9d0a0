#pragma once
// The batch report: one JSON object per input on a line of its own, appended as each item
// ends, and read back to resume a batch where it stopped.
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace quelso::CLI {

struct ItemRecord {
    std::string input;
    std::string output; // empty when nothing was written
    bool done = false;  // status "done", else "failed"
    std::string message;
    std::uint64_t seed = 0;
    std::int64_t width = 0, height = 0, bytes = 0;
    double percentChanged = 0.0;
    bool watermarkEmbedded = false;
    bool watermarkRead = false;
    std::optional<double> ssim;
    std::optional<int> hashDistance;
    std::int64_t milliseconds = 0;
};

// The record as one line of JSON, newline included; keys in a fixed order. A path that is
// not UTF-8 is written with U+FFFD in place of the bytes that are not, and again, exactly, as
// lowercase hex of its bytes under "inputHex" or "outputHex".
std::string reportLine(const ItemRecord& record);

// The inputs of lines whose status is "done", from "inputHex" when a line has it. Lines that are not whole JSON objects
// (the last one of a run killed while writing it) are passed over. Absent when the file cannot be read.
std::optional<std::set<std::string>> doneInputs(const std::string& path);

// A report open for appending; each line goes to the file in one write, so lines of items
// ending at once never mix and a line once written survives whatever ends the process.
class ReportFile {
public:
    // Absent path: no report. Check ok() after opening.
    explicit ReportFile(const std::optional<std::string>& path);
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    bool ok() const { return fd_ >= 0 || !wanted_; }
    const std::string& error() const { return error_; }
    // False when the line could not be written whole.
    bool append(const std::string& line);

private:
    bool wanted_ = false;
    int fd_ = -1;
    std::string error_;
    std::mutex mutex_;
};

} // namespace quelso::CLI
