#pragma once
// Sharing the cores between items that run at once and the pipeline's own parallel loops.
namespace quelso::WorkSplit {

struct Split {
    int concurrentItems; // the work queue's thread count
    int pipelineWorkers; // threads of each item's parallel loops
};

// The split for a run of batch items on a machine with cores cores.
Split choose(int cores, int batch);

} // namespace quelso::WorkSplit
