#pragma once
// The invisible watermark: a "MOT1" record repeated through the R, G, B least significant bits.
#include <cstdint>
#include <optional>
#include <utility>

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

// embed as a plan applied to any run of pixels: for a caller that fuses it with other
// per-pixel work.
class Embedding {
public:
    // Absent when there is no record or it does not fit once in width x height pixels.
    static std::optional<Embedding> plan(const WatermarkContent& content, std::int64_t width, std::int64_t height);

    // Writes the record's bits into the count pixels at `pixels`, which are pixels first,
    // first + 1, ... of the raster.
    void apply(std::uint8_t* pixels, std::int64_t first, std::int64_t count) const;

private:
    explicit Embedding(Bytes record) : record_(std::move(record)) {}
    Bytes record_; // magic, type, big-endian length, payload
};

// Reads the first copy of the record from the start of the raster.
std::optional<Extracted> extract(const Bytes& rgba, std::int64_t width, std::int64_t height);

} // namespace quelso::Watermark
