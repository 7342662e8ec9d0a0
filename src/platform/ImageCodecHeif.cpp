#include "platform/ImageCodecHeif.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace quelso::ImageCodec {
namespace {

// One box of the ISO base media file format: [start, start + size) with a header of
// `header` bytes (size and type, plus a 64-bit size where used).
struct Box {
    std::size_t start = 0;
    std::size_t header = 0;
    std::size_t size = 0;
    std::string type;

    std::size_t body() const { return start + header; }
    std::size_t end() const { return start + size; }
};

// Big-endian fields read from a range; any read past its end marks the reader failed.
class Reader {
public:
    Reader(const Bytes& data, std::size_t at, std::size_t end) : data_(data), at_(at), end_(end) {}

    std::uint64_t read(std::size_t bytes) {
        std::uint64_t value = 0;
        if (bytes > end_ - std::min(at_, end_)) {
            ok_ = false;
            return 0;
        }
        for (std::size_t i = 0; i < bytes; ++i) value = (value << 8) | data_[at_ + i];
        at_ += bytes;
        return value;
    }
    std::size_t position() const { return at_; }
    bool ok() const { return ok_; }

private:
    const Bytes& data_;
    std::size_t at_;
    std::size_t end_;
    bool ok_ = true;
};

void write(Bytes& out, std::uint64_t value, std::size_t bytes) {
    for (std::size_t i = bytes; i-- > 0;) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::optional<std::vector<Box>> children(const Bytes& data, std::size_t begin, std::size_t end) {
    std::vector<Box> boxes;
    std::size_t at = begin;
    while (at < end) {
        Reader reader(data, at, end);
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

// A box rebuilt from its body; the size field is filled in by finish().
Bytes startBox(const char* type, std::uint32_t versionAndFlags) {
    Bytes out(8, 0);
    std::copy(type, type + 4, out.begin() + 4);
    write(out, versionAndFlags, 4);
    return out;
}

void finish(Bytes& box) {
    const std::size_t size = box.size();
    for (int i = 0; i < 4; ++i) box[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
}

std::uint32_t versionAndFlags(const Bytes& data, const Box& box) {
    Reader reader(data, box.body(), box.end());
    return static_cast<std::uint32_t>(reader.read(4));
}

// iinf without the Exif entries; collects their item IDs.
std::optional<Bytes> pruneItemInfo(const Bytes& data, const Box& iinf, std::set<std::uint32_t>& removed) {
    const std::uint32_t vf = versionAndFlags(data, iinf);
    const std::size_t countBytes = (vf >> 24) == 0 ? 2 : 4;
    Reader reader(data, iinf.body() + 4, iinf.end());
    reader.read(countBytes);
    const auto entries = reader.ok() ? children(data, reader.position(), iinf.end()) : std::nullopt;
    if (!entries) return std::nullopt;
    Bytes out = startBox("iinf", vf);
    std::size_t kept = 0;
    Bytes body;
    for (const Box& entry : *entries) {
        Reader fields(data, entry.body(), entry.end());
        const auto version = fields.read(4) >> 24;
        if (entry.type != "infe" || version < 2) return std::nullopt;
        const auto id = static_cast<std::uint32_t>(fields.read(version == 2 ? 2 : 4));
        fields.read(2); // protection index
        const auto itemType = fields.read(4);
        if (!fields.ok()) return std::nullopt;
        if (itemType == 0x45786966) { // 'Exif'
            removed.insert(id);
            continue;
        }
        body.insert(body.end(), data.begin() + static_cast<long>(entry.start),
                    data.begin() + static_cast<long>(entry.end()));
        ++kept;
    }
    write(out, kept, countBytes);
    out.insert(out.end(), body.begin(), body.end());
    finish(out);
    return out;
}

// iref without references from or to removed items; empty when no reference is left.
std::optional<Bytes> pruneReferences(const Bytes& data, const Box& iref, const std::set<std::uint32_t>& removed) {
    const std::uint32_t vf = versionAndFlags(data, iref);
    const std::size_t idBytes = (vf >> 24) == 0 ? 2 : 4;
    const auto references = children(data, iref.body() + 4, iref.end());
    if (!references) return std::nullopt;
    Bytes out = startBox("iref", vf);
    bool any = false;
    for (const Box& reference : *references) {
        Reader fields(data, reference.body(), reference.end());
        const auto from = static_cast<std::uint32_t>(fields.read(idBytes));
        const auto count = fields.read(2);
        std::vector<std::uint32_t> to;
        for (std::uint64_t i = 0; i < count; ++i) {
            const auto id = static_cast<std::uint32_t>(fields.read(idBytes));
            if (!removed.count(id)) to.push_back(id);
        }
        if (!fields.ok() || fields.position() != reference.end()) return std::nullopt;
        if (removed.count(from) || to.empty()) continue;
        Bytes box{0, 0, 0, 0};
        box.insert(box.end(), reference.type.begin(), reference.type.end());
        write(box, from, idBytes);
        write(box, to.size(), 2);
        for (std::uint32_t id : to) write(box, id, idBytes);
        finish(box);
        out.insert(out.end(), box.begin(), box.end());
        any = true;
    }
    finish(out);
    return any ? out : Bytes{};
}

bool propertiesMention(const Bytes& data, const Box& ipma, const std::set<std::uint32_t>& removed) {
    const std::uint32_t vf = versionAndFlags(data, ipma);
    Reader reader(data, ipma.body() + 4, ipma.end());
    const auto entries = reader.read(4);
    for (std::uint64_t i = 0; i < entries && reader.ok(); ++i) {
        if (removed.count(static_cast<std::uint32_t>(reader.read((vf >> 24) < 1 ? 2 : 4)))) return true;
        const auto associations = reader.read(1);
        reader.read(associations * ((vf & 1) ? 2 : 1));
    }
    return !reader.ok();
}

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
};

struct ItemLocations {
    std::uint32_t versionAndFlags = 0;
    std::size_t offsetSize = 0, lengthSize = 0, baseSize = 0, indexSize = 0;
    std::vector<Location> items;

    unsigned version() const { return versionAndFlags >> 24; }
};

std::optional<ItemLocations> parseLocations(const Bytes& data, const Box& iloc) {
    ItemLocations locations;
    Reader reader(data, iloc.body(), iloc.end());
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

Bytes writeLocations(const ItemLocations& locations) {
    const unsigned version = locations.version();
    Bytes out = startBox("iloc", locations.versionAndFlags);
    write(out,
          (locations.offsetSize << 12) | (locations.lengthSize << 8) | (locations.baseSize << 4) | locations.indexSize,
          2);
    write(out, locations.items.size(), version < 2 ? 2 : 4);
    for (const Location& item : locations.items) {
        write(out, item.id, version < 2 ? 2 : 4);
        if (version >= 1) write(out, item.method, 2);
        write(out, item.reference, 2);
        write(out, item.base, locations.baseSize);
        write(out, item.extents.size(), 2);
        for (const Extent& extent : item.extents) {
            write(out, extent.index, locations.indexSize);
            write(out, extent.offset, locations.offsetSize);
            write(out, extent.length, locations.lengthSize);
        }
    }
    finish(out);
    return out;
}

bool inFile(const Location& item) { return item.method == 0 && item.reference == 0; }

} // namespace

std::optional<Bytes> withoutExifItems(const Bytes& heif) {
    const auto top = children(heif, 0, heif.size());
    const Box* meta = top ? find(*top, "meta") : nullptr;
    if (!meta) return std::nullopt;
    const auto parts = children(heif, meta->body() + 4, meta->end());
    const Box* iinf = parts ? find(*parts, "iinf") : nullptr;
    const Box* iloc = parts ? find(*parts, "iloc") : nullptr;
    if (!iinf || !iloc) return std::nullopt;

    std::set<std::uint32_t> removed;
    const auto itemInfo = pruneItemInfo(heif, *iinf, removed);
    if (!itemInfo) return std::nullopt;
    if (removed.empty()) return heif;
    const Box* iref = find(*parts, "iref");
    const auto references = iref ? pruneReferences(heif, *iref, removed) : std::optional<Bytes>(Bytes{});
    const Box* iprp = find(*parts, "iprp");
    const auto properties = iprp ? children(heif, iprp->body(), iprp->end()) : std::nullopt;
    const Box* ipma = properties ? find(*properties, "ipma") : nullptr;
    auto locations = parseLocations(heif, *iloc);
    if (!references || !locations || (ipma && propertiesMention(heif, *ipma, removed))) return std::nullopt;

    // The removed items' bytes, by their offsets in the original file.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> blanks;
    std::vector<Location> kept;
    for (Location& item : locations->items) {
        if (!removed.count(item.id)) {
            kept.push_back(std::move(item));
            continue;
        }
        for (const Extent& extent : item.extents)
            if (inFile(item)) blanks.emplace_back(item.base + extent.offset, extent.length);
    }
    locations->items = std::move(kept);

    // Every box of meta keeps its place; the three edited ones shrink, so file offsets of data
    // that follows meta move back by the difference.
    Bytes body = startBox("meta", versionAndFlags(heif, *meta));
    std::size_t ilocAt = 0;
    for (const Box& part : *parts) {
        if (&part == iloc) {
            ilocAt = body.size(); // written last, once the shift is known
            continue;
        }
        const Bytes* replacement = &part == iinf ? &*itemInfo : &part == iref ? &*references : nullptr;
        if (replacement)
            body.insert(body.end(), replacement->begin(), replacement->end());
        else
            body.insert(body.end(), heif.begin() + static_cast<long>(part.start),
                        heif.begin() + static_cast<long>(part.end()));
    }
    const std::size_t ilocSize = writeLocations(*locations).size();
    const std::size_t newMetaSize = body.size() + ilocSize;
    if (newMetaSize > meta->size) return std::nullopt;
    const std::uint64_t shift = meta->size - newMetaSize;

    for (Location& item : locations->items) {
        if (!inFile(item)) continue;
        for (Extent& extent : item.extents)
            if (item.base + extent.offset < meta->end()) return std::nullopt;
        if (item.base != 0)
            item.base -= shift;
        else
            for (Extent& extent : item.extents) extent.offset -= shift;
    }
    const Bytes newLocations = writeLocations(*locations);
    body.insert(body.begin() + static_cast<long>(ilocAt), newLocations.begin(), newLocations.end());
    finish(body);

    Bytes out(heif.begin(), heif.begin() + static_cast<long>(meta->start));
    out.insert(out.end(), body.begin(), body.end());
    out.insert(out.end(), heif.begin() + static_cast<long>(meta->end()), heif.end());
    for (const auto& [offset, length] : blanks) {
        if (offset < meta->end() || length == 0 || offset + length > heif.size()) return std::nullopt;
        std::fill_n(out.begin() + static_cast<long>(offset - shift), length, 0);
    }
    return out;
}

} // namespace quelso::ImageCodec
