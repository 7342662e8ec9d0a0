#pragma once
#include <gtest/gtest.h>

#include "pipeline/ImageLoader.h"
#include "settings/ProcessResult.h"
#include "settings/ProcessingSettings.h"

namespace quelso {

// PNG output with nothing switched on, so the decoded file shows exactly what the chain did.
inline ProcessingSettings quietPng() {
    ProcessingSettings s;
    s.outputFormat = OutputFormat::png;
    s.forceUnique = false;
    return s;
}

// The pixels of a processed file as they decode again; empty (and a failure) when they do not.
inline Bytes decodedRaster(const std::optional<ProcessResult>& result) {
    const auto decoded = result ? ImageLoader::load(result->data) : std::nullopt;
    EXPECT_TRUE(decoded);
    return decoded ? decoded->rgba : Bytes{};
}

} // namespace quelso
