#pragma once
// The item location box (iloc) of a HEIF file: where each item's bytes are, read into a
// record that can be edited and written back.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "encode/IsoBoxes.h"

namespace quelso::HeifItemLocations {

struct Extent {
    std::uint64_t index = 0;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

struct Location {
    std::uint32_t id = 0;
    std::uint16_t method = 0;
    std::uint16_t reference = 0;
    std::uint64_t base = 0;
    std::vector<Extent> extents;

    // True when the item's bytes lie in this file at base + offset.
    bool inFile() const { return method == 0 && reference == 0; }
};

struct ItemLocations {
    std::uint32_t versionAndFlags = 0;
    std::size_t offsetSize = 0, lengthSize = 0, baseSize = 0, indexSize = 0;
    std::vector<Location> items;

    unsigned version() const { return versionAndFlags >> 24; }
};

// Absent when the box is malformed or of a version after 2.
std::optional<ItemLocations> parse(const Bytes& data, const IsoBoxes::Box& iloc);

Bytes write(const ItemLocations& locations);

} // namespace quelso::HeifItemLocations
