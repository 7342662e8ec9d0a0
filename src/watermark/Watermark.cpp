#include "watermark/Watermark.h"

#include <cstring>
#include <limits>

#include "core/Parallel.h"

namespace quelso::Watermark {

namespace {

constexpr std::uint8_t kMagic[4] = {'M', 'O', 'T', '1'};
constexpr std::size_t kHeaderBytes = 9;

// The payload bit stream of a raster: bit k sits in bit 0 of channel k % 3 of pixel k / 3.
class BitReader {
public:
    BitReader(const Bytes& rgba, std::uint64_t capacityBits) : rgba_(rgba), capacity_(capacityBits) {}

    std::optional<std::uint8_t> byteAt(std::uint64_t index) const {
        std::uint8_t value = 0;
        for (std::uint64_t k = index * 8; k < index * 8 + 8; ++k) {
            if (k >= capacity_) return std::nullopt;
            value = static_cast<std::uint8_t>((value << 1) | (rgba_[(k / 3) * 4 + k % 3] & 1));
        }
        return value;
    }

private:
    const Bytes& rgba_;
    std::uint64_t capacity_;
};

} // namespace

std::optional<Record> buildRecord(const WatermarkContent& content) {
    Bytes payload;
    std::uint8_t type = 0;
    if (const std::string* text = content.asText()) {
        payload.assign(text->begin(), text->end());
    } else if (const Bytes* image = content.asImage()) {
        payload = *image;
        type = 1;
    } else {
        return std::nullopt;
    }
    // The length field is 32 bits wide; a longer payload cannot be described.
    if (payload.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    const auto length = static_cast<std::uint32_t>(payload.size());

    Record record{type, {}};
    record.bytes.reserve(kHeaderBytes + payload.size());
    record.bytes.insert(record.bytes.end(), std::begin(kMagic), std::end(kMagic));
    record.bytes.push_back(type);
    appendBigEndian(record.bytes, length, 4);
    record.bytes.insert(record.bytes.end(), payload.begin(), payload.end());
    return record;
}

std::optional<Embedding> Embedding::plan(const WatermarkContent& content, std::int64_t width, std::int64_t height) {
    std::optional<Record> record = buildRecord(content);
    if (!record || record->bytes.empty() || width < 1 || height < 1) return std::nullopt;
    const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixels * 3 < record->bytes.size() * 8) return std::nullopt;
    return Embedding(std::move(record->bytes));
}

void Embedding::apply(std::uint8_t* pixels, std::int64_t first, std::int64_t count) const {
    const Bytes& rec = record_;
    const std::uint64_t recordBits = rec.size() * 8;
    // Each run starts at its own bit offset of the repeated stream, so runs are independent.
    std::uint64_t bit = (static_cast<std::uint64_t>(first) * 3) % recordBits;
    std::uint8_t* px = pixels;
    for (std::int64_t p = 0; p < count; ++p, px += 4) {
        for (int c = 0; c < 3; ++c) {
            const std::uint8_t b = (rec[bit >> 3] >> (7 - (bit & 7))) & 1;
            px[c] = static_cast<std::uint8_t>((px[c] & 0xFE) | b);
            if (++bit == recordBits) bit = 0;
        }
    }
}

bool embed(Bytes& rgba, std::int64_t width, std::int64_t height, const WatermarkContent& content) {
    const std::optional<Embedding> embedding = Embedding::plan(content, width, height);
    if (!embedding) return false;
    std::uint8_t* const pixels = rgba.data();
    parallelFor(width * height, 1 << 16, [&](std::int64_t begin, std::int64_t end) {
        embedding->apply(pixels + begin * 4, begin, end - begin);
    });
    return true;
}

std::optional<Extracted> extract(const Bytes& rgba, std::int64_t width, std::int64_t height) {
    if (width < 1 || height < 1) return std::nullopt;
    const std::uint64_t capacity = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3;
    if (rgba.size() / 4 * 3 < capacity) return std::nullopt;
    const BitReader reader(rgba, capacity);

    std::uint8_t header[kHeaderBytes];
    for (std::size_t i = 0; i < kHeaderBytes; ++i) {
        const auto byte = reader.byteAt(i);
        if (!byte) return std::nullopt;
        header[i] = *byte;
    }
    if (std::memcmp(header, kMagic, 4) != 0) return std::nullopt;
    const std::uint64_t length = readBigEndian(header + 5, 4);
    if (length == 0 || capacity < 8 * length + 72) return std::nullopt;

    Extracted result{header[4], Bytes(length)};
    for (std::uint64_t i = 0; i < length; ++i) result.payload[i] = *reader.byteAt(kHeaderBytes + i);
    return result;
}

} // namespace quelso::Watermark
