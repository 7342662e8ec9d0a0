#pragma once
// Reading the invisible record back from a written file, to know that it survived encoding.
#include <optional>

#include "core/PixelImage.h"
#include "settings/WatermarkContent.h"
#include "watermark/Watermark.h"

namespace quelso::CLI {

// The record found in the decoded picture when it is the one content makes; else absent.
std::optional<Watermark::Extracted> recordReadBack(const PixelImage& decoded, const WatermarkContent& content);

} // namespace quelso::CLI
