#pragma once
// What processing one picture gives back: the output file's bytes and what was done.
#include <cstdint>

#include "core/Bytes.h"

namespace quelso {

struct ProcessResult {
    Bytes data;
    std::int64_t width = 0;
    std::int64_t height = 0;
    double percentChanged = 0.0;
    bool lossless = false;
    bool watermarkEmbedded = false;
};

} // namespace quelso
