#include "core/Parallel.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

namespace quelso {

namespace {

constexpr int kMaxWorkers = 256;

int defaultWorkerCount() {
    static const int count = [] {
        if (const char* env = std::getenv("QUELSO_THREADS")) {
            const int n = std::atoi(env);
            if (n >= 1) return std::min(n, kMaxWorkers);
        }
        return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    }();
    return count;
}

std::atomic<int> chosenWorkers{0}; // 0: the default

} // namespace

int workerCount() {
    const int chosen = chosenWorkers.load(std::memory_order_relaxed);
    return chosen > 0 ? chosen : defaultWorkerCount();
}

void setWorkerCount(int count) { chosenWorkers.store(std::clamp(count, 0, kMaxWorkers), std::memory_order_relaxed); }

void parallelFor(std::int64_t count, std::int64_t minChunk,
                 const std::function<void(std::int64_t, std::int64_t)>& body) {
    if (count <= 0) return;
    minChunk = std::max<std::int64_t>(minChunk, 1);
    const std::int64_t chunks = std::min<std::int64_t>(workerCount(), (count + minChunk - 1) / minChunk);
    if (chunks <= 1) {
        body(0, count);
        return;
    }
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(chunks - 1));
    auto rangeStart = [&](std::int64_t i) { return count * i / chunks; };
    for (std::int64_t i = 1; i < chunks; ++i) threads.emplace_back([&, i] { body(rangeStart(i), rangeStart(i + 1)); });
    body(0, rangeStart(1));
    for (auto& t : threads) t.join();
}

std::int64_t parallelSum(std::int64_t count, std::int64_t minChunk,
                         const std::function<std::int64_t(std::int64_t, std::int64_t)>& body) {
    std::atomic<std::int64_t> total{0};
    parallelFor(count, minChunk, [&](std::int64_t begin, std::int64_t end) { total += body(begin, end); });
    return total;
}

} // namespace quelso
