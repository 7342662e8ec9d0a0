#include "encode/HeifItemLocations.h"

namespace quelso::HeifItemLocations {

std::optional<ItemLocations> parse(const Bytes& data, const IsoBoxes::Box& iloc) {
    ItemLocations locations;
    IsoBoxes::FieldReader reader(data, iloc.body(), iloc.end());
    locations.versionAndFlags = static_cast<std::uint32_t>(reader.read(4));
    const auto sizes = reader.read(2);
    locations.offsetSize = (sizes >> 12) & 15;
    locations.lengthSize = (sizes >> 8) & 15;
    locations.baseSize = (sizes >> 4) & 15;
    const unsigned version = locations.version();
    locations.indexSize = version >= 1 ? sizes & 15 : 0;
    const auto count = reader.read(version < 2 ? 2 : 4);
    for (std::uint64_t i = 0; i < count && reader.ok(); ++i) {
        Location item;
        item.id = static_cast<std::uint32_t>(reader.read(version < 2 ? 2 : 4));
        if (version >= 1) item.method = static_cast<std::uint16_t>(reader.read(2) & 15);
        item.reference = static_cast<std::uint16_t>(reader.read(2));
        item.base = reader.read(locations.baseSize);
        const auto extents = reader.read(2);
        for (std::uint64_t e = 0; e < extents && reader.ok(); ++e) {
            Extent extent;
            extent.index = reader.read(locations.indexSize);
            extent.offset = reader.read(locations.offsetSize);
            extent.length = reader.read(locations.lengthSize);
            item.extents.push_back(extent);
        }
        locations.items.push_back(std::move(item));
    }
    if (!reader.ok() || reader.position() != iloc.end() || version > 2) return std::nullopt;
    return locations;
}

Bytes write(const ItemLocations& locations) {
    const unsigned version = locations.version();
    Bytes out = IsoBoxes::startFullBox("iloc", locations.versionAndFlags);
    appendBigEndian(out,
                    (locations.offsetSize << 12) | (locations.lengthSize << 8) | (locations.baseSize << 4) |
                        locations.indexSize,
                    2);
    appendBigEndian(out, locations.items.size(), version < 2 ? 2 : 4);
    for (const Location& item : locations.items) {
        appendBigEndian(out, item.id, version < 2 ? 2 : 4);
        if (version >= 1) appendBigEndian(out, item.method, 2);
        appendBigEndian(out, item.reference, 2);
        appendBigEndian(out, item.base, locations.baseSize);
        appendBigEndian(out, item.extents.size(), 2);
        for (const Extent& extent : item.extents) {
            appendBigEndian(out, extent.index, locations.indexSize);
            appendBigEndian(out, extent.offset, locations.offsetSize);
            appendBigEndian(out, extent.length, locations.lengthSize);
        }
    }
    IsoBoxes::finish(out);
    return out;
}

} // namespace quelso::HeifItemLocations
