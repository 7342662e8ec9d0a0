#include "app/BatchProgress.h"

#include <cstdio>

namespace quelso::CLI {

BatchProgress::BatchProgress(std::size_t total, bool shown) : total_(total), shown_(shown) {
    if (shown_) draw();
}

void BatchProgress::ended(bool failed) {
    const std::lock_guard lock(mutex_);
    ++done_;
    if (failed) ++failed_;
    if (shown_) draw();
}

void BatchProgress::close() {
    const std::lock_guard lock(mutex_);
    if (shown_) std::fputs("\r\033[K", stderr);
}

void BatchProgress::draw() {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double rate = elapsed > 0 ? static_cast<double>(done_) / elapsed : 0.0;
    char left[32] = "--:--";
    if (rate > 0) {
        const long seconds = static_cast<long>(static_cast<double>(total_ - done_) / rate + 0.5);
        std::snprintf(left, sizeof left, "%ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    }
    std::fprintf(stderr, "\r\033[K%zu/%zu  %.2f images/s  %s left  %zu failed", done_, total_, rate, left, failed_);
    std::fflush(stderr);
}

} // namespace quelso::CLI
