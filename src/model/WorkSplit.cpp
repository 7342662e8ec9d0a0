#include "model/WorkSplit.h"

#include <algorithm>

namespace quelso::WorkSplit {

Split choose(int cores, int batch) {
    cores = std::max(cores, 1);
    const int running = std::clamp(batch, 1, cores);
    return {cores, std::max(1, cores / running)};
}

} // namespace quelso::WorkSplit
