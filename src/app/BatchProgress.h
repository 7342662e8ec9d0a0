#pragma once
// The batch's progress line on a terminal: done of total, rate, time left, failures so far.
#include <chrono>
#include <cstddef>
#include <mutex>

namespace quelso::CLI {

class BatchProgress {
public:
    // Draws only when shown (standard error is a terminal).
    BatchProgress(std::size_t total, bool shown);

    // Counts one more item ended, failed or not, and redraws the line.
    void ended(bool failed);
    // Clears the line, so the summary starts on a clean one.
    void close();

    std::size_t done() const { return done_; }
    std::size_t failed() const { return failed_; }

private:
    void draw();

    std::size_t total_;
    bool shown_;
    std::size_t done_ = 0, failed_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::mutex mutex_;
};

} // namespace quelso::CLI
