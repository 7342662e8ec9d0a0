#pragma once
// Splits [0, count) into contiguous ranges and runs them on all cores. Callers keep
// their output identical to a single pass by writing only inside their own range.
#include <algorithm>
#include <cstdint>
#include <functional>

namespace quelso {

// Pixels per parallel task: big enough that starting a task costs nothing measurable.
inline constexpr std::int64_t kPixelsPerTask = 1 << 15;

// Rows per parallel task for rows of `width` pixels.
inline std::int64_t rowsPerTask(std::int64_t width) { return std::max<std::int64_t>(1, kPixelsPerTask / width); }

// Runs body(begin, end) over ranges of at least minChunk items, a few per worker, on at most
// workerCount() threads; returns when all are done. Small jobs run on the calling thread.
void parallelFor(std::int64_t count, std::int64_t minChunk,
                 const std::function<void(std::int64_t, std::int64_t)>& body);

// parallelFor over a body that returns a count for its range; the sum of those counts.
std::int64_t parallelSum(std::int64_t count, std::int64_t minChunk,
                         const std::function<std::int64_t(std::int64_t, std::int64_t)>& body);

// The number of worker threads parallelFor uses (at least 1). QUELSO_THREADS overrides it.
int workerCount();

// Sets the worker count for the whole process from now on (clamped to 1..256); 0 restores
// the default. Lets a caller that runs several images at once share the cores out. Call it
// while no parallelFor runs: callers split their work by workerCount().
void setWorkerCount(int count);

} // namespace quelso
