#include "core/Parallel.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

namespace quelso {

namespace {

constexpr int kMaxWorkers = 256;
constexpr std::int64_t kPiecesPerWorker = 4;

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
    const std::int64_t workers = workerCount();
    // A few pieces per worker, taken in turn: on a machine busy with other work, a thread the
    // scheduler leaves waiting finds its share already done by the others instead of holding
    // them all up at the end.
    const std::int64_t pieces = std::min<std::int64_t>(workers * kPiecesPerWorker, (count + minChunk - 1) / minChunk);
    if (pieces <= 1 || workers <= 1) {
        body(0, count);
        return;
    }
    std::atomic<std::int64_t> next{0};
    auto work = [&] {
        for (std::int64_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < pieces;)
            body(count * i / pieces, count * (i + 1) / pieces);
    };
    std::vector<std::thread> threads;
    const std::int64_t helpers = std::min(workers, pieces) - 1;
    threads.reserve(static_cast<std::size_t>(helpers));
    for (std::int64_t i = 0; i < helpers; ++i) threads.emplace_back(work);
    work();
    for (auto& t : threads) t.join();
}

std::int64_t parallelSum(std::int64_t count, std::int64_t minChunk,
                         const std::function<std::int64_t(std::int64_t, std::int64_t)>& body) {
    std::atomic<std::int64_t> total{0};
    parallelFor(count, minChunk, [&](std::int64_t begin, std::int64_t end) { total += body(begin, end); });
    return total;
}

} // namespace quelso
