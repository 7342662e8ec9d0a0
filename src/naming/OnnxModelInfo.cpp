#include "naming/OnnxModelInfo.h"

#include <set>
#include <string>

namespace quelso::OnnxModelInfo {

namespace {

// Just enough of the protobuf wire format to walk messages: every read checks bounds and
// a malformed field ends the walk.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool atEnd() const { return position_ >= bytes_.size(); }

    std::optional<std::uint64_t> varint() {
        std::uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (position_ >= bytes_.size()) return std::nullopt;
            const auto byte = static_cast<std::uint8_t>(bytes_[position_++]);
            value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0) return value;
        }
        return std::nullopt;
    }

    struct Field {
        std::uint64_t number = 0;
        int wireType = 0;
        std::uint64_t value = 0;  // varint fields
        std::string_view payload; // length-delimited fields
    };

    // The next field, or absent at the end or on malformed data.
    std::optional<Field> next() {
        if (atEnd()) return std::nullopt;
        const auto key = varint();
        if (!key) return std::nullopt;
        Field field;
        field.number = *key >> 3;
        field.wireType = static_cast<int>(*key & 7);
        switch (field.wireType) {
        case 0: {
            const auto value = varint();
            if (!value) return std::nullopt;
            field.value = *value;
            return field;
        }
        case 1:
            return skip(8) ? std::optional<Field>(field) : std::nullopt;
        case 5:
            return skip(4) ? std::optional<Field>(field) : std::nullopt;
        case 2: {
            const auto length = varint();
            if (!length || *length > bytes_.size() - position_) return std::nullopt;
            field.payload = bytes_.substr(position_, static_cast<std::size_t>(*length));
            position_ += static_cast<std::size_t>(*length);
            return field;
        }
        default:
            return std::nullopt; // groups are not used by ONNX
        }
    }

private:
    bool skip(std::size_t count) {
        if (count > bytes_.size() - position_) return false;
        position_ += count;
        return true;
    }

    std::string_view bytes_;
    std::size_t position_ = 0;
};

// The first length-delimited field with the given number inside a message.
std::optional<std::string_view> firstMessage(std::string_view message, std::uint64_t number) {
    Reader reader(message);
    while (auto field = reader.next())
        if (field->number == number && field->wireType == 2) return field->payload;
    return std::nullopt;
}

std::string_view valueName(std::string_view valueInfo) {
    return firstMessage(valueInfo, 1).value_or(std::string_view{});
}

std::optional<std::vector<std::int64_t>> shapeOf(std::string_view valueInfo) {
    const auto type = firstMessage(valueInfo, 2);
    if (!type) return std::nullopt;
    const auto tensor = firstMessage(*type, 1);
    if (!tensor) return std::nullopt;
    const auto shape = firstMessage(*tensor, 2);
    if (!shape) return std::nullopt;
    std::vector<std::int64_t> dims;
    Reader reader(*shape);
    while (auto dim = reader.next()) {
        if (dim->number != 1 || dim->wireType != 2) continue;
        std::int64_t size = -1;
        Reader dimReader(dim->payload);
        while (auto part = dimReader.next())
            if (part->number == 1 && part->wireType == 0) size = static_cast<std::int64_t>(part->value);
        dims.push_back(size > 0 ? size : -1);
    }
    return dims;
}

} // namespace

std::optional<std::vector<std::int64_t>> inputShape(std::string_view modelBytes) {
    const auto graph = firstMessage(modelBytes, 7);
    if (!graph) return std::nullopt;
    // Older exporters list the weights among the inputs too; those are not the image.
    std::set<std::string_view> initializers;
    std::vector<std::string_view> inputs;
    Reader reader(*graph);
    while (auto field = reader.next()) {
        if (field->wireType != 2) continue;
        if (field->number == 5) initializers.insert(firstMessage(field->payload, 8).value_or(""));
        if (field->number == 11) inputs.push_back(field->payload);
    }
    for (std::string_view input : inputs)
        if (!initializers.count(valueName(input))) return shapeOf(input);
    return std::nullopt;
}

} // namespace quelso::OnnxModelInfo
