#pragma once
// One input of a batch, start to end: read, process, decode the copy and measure it against
// its source, then name and write it without replacing anything.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "app/BatchInputs.h"
#include "app/BatchReport.h"
#include "app/CLI.h"
#include "settings/ProcessingSettings.h"

namespace quelso::CLI {

struct BatchOrder {
    ProcessingSettings settings;
    Args args; // what content naming reads: provider, key, model and base address
    std::string outDir;
    std::optional<std::uint64_t> seed; // --seed; absent: a fresh seed for every item
};

// The item's record, or absent when stop turned non-zero before its output was written: then
// nothing was written and the item is left for a later run.
std::optional<ItemRecord> runItem(const BatchInput& input, const BatchOrder& order, const std::atomic<int>& stop);

} // namespace quelso::CLI
