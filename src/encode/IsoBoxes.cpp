#include "encode/IsoBoxes.h"

#include <algorithm>

namespace quelso::IsoBoxes {

std::uint64_t FieldReader::read(std::size_t bytes) {
    if (bytes > end_ - std::min(at_, end_)) {
        ok_ = false;
        return 0;
    }
    const std::uint64_t value = readBigEndian(data_.data() + at_, bytes);
    at_ += bytes;
    return value;
}

std::optional<std::vector<Box>> children(const Bytes& data, std::size_t begin, std::size_t end) {
    std::vector<Box> boxes;
    std::size_t at = begin;
    while (at < end) {
        FieldReader reader(data, at, end);
        Box box{at, 8, static_cast<std::size_t>(reader.read(4)), {}};
        const std::uint64_t type = reader.read(4);
        if (box.size == 1) {
            box.header = 16;
            box.size = static_cast<std::size_t>(reader.read(8));
        } else if (box.size == 0) {
            box.size = end - at;
        }
        if (!reader.ok() || box.size < box.header || box.size > end - at) return std::nullopt;
        for (int shift = 24; shift >= 0; shift -= 8) box.type.push_back(static_cast<char>(type >> shift));
        boxes.push_back(box);
        at += box.size;
    }
    return boxes;
}

const Box* find(const std::vector<Box>& boxes, const char* type) {
    const auto it = std::find_if(boxes.begin(), boxes.end(), [&](const Box& b) { return b.type == type; });
    return it == boxes.end() ? nullptr : &*it;
}

std::uint32_t versionAndFlags(const Bytes& data, const Box& box) {
    FieldReader reader(data, box.body(), box.end());
    return static_cast<std::uint32_t>(reader.read(4));
}

Bytes startBox(const std::string& type) {
    Bytes out(4 + type.size(), 0);
    std::copy(type.begin(), type.end(), out.begin() + 4);
    return out;
}

Bytes startFullBox(const char* type, std::uint32_t versionAndFlags) {
    Bytes out = startBox(type);
    appendBigEndian(out, versionAndFlags, 4);
    return out;
}

void finish(Bytes& box) {
    const std::size_t size = box.size();
    for (std::size_t i = 0; i < 4; ++i) box[i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
}

} // namespace quelso::IsoBoxes
