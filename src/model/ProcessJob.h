#pragma once
// One item's work on a worker thread: decode, process, name and write. It reads only its
// own copies and the stop flag; the caller applies the outcome on the main thread.
#include <QString>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "settings/ProcessingSettings.h"

namespace quelso {

struct JobOrder {
    std::string inputPath;
    ProcessingSettings settings;            // the snapshot taken when the item was started
    std::optional<std::string> destination; // output folder; absent: the input's folder
    std::optional<std::uint64_t> seed;      // fixed by tests; absent: fresh from the kernel
};

struct JobOutcome {
    enum Kind { Stopped, Failed, Written };
    Kind kind = Stopped;
    QString message; // for Failed
    double percentChanged = 0.0;
    bool watermarked = false;
    std::string outputPath;
    std::int64_t outputBytes = 0;
};

// Checks the stop flag before decoding, after processing and before writing; a stop seen
// at any of them ends the job with nothing written.
JobOutcome runJob(const JobOrder& order, const std::atomic<bool>& cancelled);

} // namespace quelso
