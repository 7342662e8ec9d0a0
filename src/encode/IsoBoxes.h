#pragma once
// Boxes of the ISO base media file format (the container of HEIF): finding them in a file,
// reading their big-endian fields safely, and writing new ones.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Bytes.h"

namespace quelso::IsoBoxes {

// One box: [start, start + size) with a header of `header` bytes (size and type, plus a
// 64-bit size where used).
struct Box {
    std::size_t start = 0;
    std::size_t header = 0;
    std::size_t size = 0;
    std::string type;

    std::size_t body() const { return start + header; }
    std::size_t end() const { return start + size; }
};

// Big-endian fields read from a range; any read past its end marks the reader failed.
class FieldReader {
public:
    FieldReader(const Bytes& data, std::size_t at, std::size_t end) : data_(data), at_(at), end_(end) {}

    std::uint64_t read(std::size_t bytes);
    std::size_t position() const { return at_; }
    bool ok() const { return ok_; }

private:
    const Bytes& data_;
    std::size_t at_;
    std::size_t end_;
    bool ok_ = true;
};

// The boxes that fill [begin, end) one after another; absent when one overruns the range.
std::optional<std::vector<Box>> children(const Bytes& data, std::size_t begin, std::size_t end);

// The first box of the type, or null.
const Box* find(const std::vector<Box>& boxes, const char* type);

// The version and flags word that opens a full box's body.
std::uint32_t versionAndFlags(const Bytes& data, const Box& box);

// The start of a new full box: its size is filled in by finish() once the body is written.
Bytes startFullBox(const char* type, std::uint32_t versionAndFlags);

// The start of a new plain box of the given type.
Bytes startBox(const std::string& type);

// Writes the box's final size into its header.
void finish(Bytes& box);

} // namespace quelso::IsoBoxes
