#pragma once
// The one road from a decoded picture to finished output bytes.
#include <cstdint>
#include <optional>

#include "core/PixelImage.h"
#include "settings/ProcessResult.h"
#include "settings/ProcessingSettings.h"

namespace quelso::ImageProcessor {

// Absent only when encoding fails.
std::optional<ProcessResult> process(const PixelImage& image, const ProcessingSettings& settings, std::uint64_t seed);

// Raster (width - 2) x (height - 2) without the outermost ring of pixels.
Bytes microCrop(const Bytes& rgba, std::int64_t width, std::int64_t height);

// Flips bit 1 of the red byte of every pixel that still equals the original.
void forceChange(Bytes& rgba, const Bytes& original);

// Share of pixel positions (0..100) where any byte differs.
double changedPercent(const Bytes& a, const Bytes& b);

} // namespace quelso::ImageProcessor
