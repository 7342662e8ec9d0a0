#pragma once
// The invisible watermark: a "MOT1" record repeated through the R, G, B least significant bits.
#include <cstdint>
#include <optional>

#include "core/PixelImage.h"
#include "settings/WatermarkContent.h"

namespace quelso::Watermark {

struct Record {
    std::uint8_t type; // 0 text, 1 image
    Bytes bytes;       // magic, type, big-endian length, payload
};

struct Extracted {
    std::uint8_t type;
    Bytes payload;
};

std::optional<Record> buildRecord(const WatermarkContent& content);

// True when the record was written; the raster is untouched when it does not fit once.
bool embed(Bytes& rgba, std::int64_t width, std::int64_t height, const WatermarkContent& content);

// Reads the first copy of the record from the start of the raster.
std::optional<Extracted> extract(const Bytes& rgba, std::int64_t width, std::int64_t height);

} // namespace quelso::Watermark
