#pragma once
// Byte buffers and the big-endian fields that file formats and the watermark record use.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace quelso {

using Bytes = std::vector<std::uint8_t>;

// Receives a file's bytes piece by piece, in order, while the file is being made.
using ByteTap = std::function<void(const std::uint8_t* data, std::size_t size)>;

// Appends the low `count` bytes of value, most significant first.
inline void appendBigEndian(Bytes& out, std::uint64_t value, std::size_t count) {
    for (std::size_t i = count; i-- > 0;) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The `count` bytes at data (at most 8) as one number, most significant first.
inline std::uint64_t readBigEndian(const std::uint8_t* data, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value = (value << 8) | data[i];
    return value;
}

} // namespace quelso
