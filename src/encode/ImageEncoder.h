#pragma once
// Turns the finished raster into the bytes of the output file in the chosen format.
#include <cstdint>
#include <optional>

#include "core/PixelImage.h"
#include "settings/ProcessingSettings.h"

namespace quelso::ImageEncoder {

// The caller's raster is not changed. Absent when encoding failed.
std::optional<Bytes> encode(const Bytes& rgba, std::int64_t width, std::int64_t height,
                            const ProcessingSettings& settings);

} // namespace quelso::ImageEncoder
