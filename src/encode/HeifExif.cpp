#include "encode/HeifExif.h"

#include <algorithm>
#include <set>
#include <vector>

#include "encode/HeifItemLocations.h"
#include "encode/IsoBoxes.h"

namespace quelso::HeifExif {
namespace {

using namespace IsoBoxes;
using HeifItemLocations::Extent;
using HeifItemLocations::Location;

// iinf without the Exif entries; collects their item IDs.
std::optional<Bytes> pruneItemInfo(const Bytes& data, const Box& iinf, std::set<std::uint32_t>& removed) {
    const std::uint32_t vf = versionAndFlags(data, iinf);
    const std::size_t countBytes = (vf >> 24) == 0 ? 2 : 4;
    FieldReader reader(data, iinf.body() + 4, iinf.end());
    reader.read(countBytes);
    const auto entries = reader.ok() ? children(data, reader.position(), iinf.end()) : std::nullopt;
    if (!entries) return std::nullopt;
    Bytes out = startFullBox("iinf", vf);
    std::size_t kept = 0;
    Bytes body;
    for (const Box& entry : *entries) {
        FieldReader fields(data, entry.body(), entry.end());
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
    appendBigEndian(out, kept, countBytes);
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
    Bytes out = startFullBox("iref", vf);
    bool any = false;
    for (const Box& reference : *references) {
        FieldReader fields(data, reference.body(), reference.end());
        const auto from = static_cast<std::uint32_t>(fields.read(idBytes));
        const auto count = fields.read(2);
        std::vector<std::uint32_t> to;
        for (std::uint64_t i = 0; i < count; ++i) {
            const auto id = static_cast<std::uint32_t>(fields.read(idBytes));
            if (!removed.count(id)) to.push_back(id);
        }
        if (!fields.ok() || fields.position() != reference.end()) return std::nullopt;
        if (removed.count(from) || to.empty()) continue;
        Bytes box = startBox(reference.type);
        appendBigEndian(box, from, idBytes);
        appendBigEndian(box, to.size(), 2);
        for (std::uint32_t id : to) appendBigEndian(box, id, idBytes);
        finish(box);
        out.insert(out.end(), box.begin(), box.end());
        any = true;
    }
    finish(out);
    return any ? out : Bytes{};
}

bool propertiesMention(const Bytes& data, const Box& ipma, const std::set<std::uint32_t>& removed) {
    const std::uint32_t vf = versionAndFlags(data, ipma);
    FieldReader reader(data, ipma.body() + 4, ipma.end());
    const auto entries = reader.read(4);
    for (std::uint64_t i = 0; i < entries && reader.ok(); ++i) {
        if (removed.count(static_cast<std::uint32_t>(reader.read((vf >> 24) < 1 ? 2 : 4)))) return true;
        const auto associations = reader.read(1);
        reader.read(associations * ((vf & 1) ? 2 : 1));
    }
    return !reader.ok();
}

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
    auto locations = HeifItemLocations::parse(heif, *iloc);
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
            if (item.inFile()) blanks.emplace_back(item.base + extent.offset, extent.length);
    }
    locations->items = std::move(kept);

    // Every box of meta keeps its place; the three edited ones shrink, so file offsets of data
    // that follows meta move back by the difference.
    Bytes body = startFullBox("meta", versionAndFlags(heif, *meta));
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
    const std::size_t ilocSize = HeifItemLocations::write(*locations).size();
    const std::size_t newMetaSize = body.size() + ilocSize;
    if (newMetaSize > meta->size) return std::nullopt;
    const std::uint64_t shift = meta->size - newMetaSize;

    for (Location& item : locations->items) {
        if (!item.inFile()) continue;
        for (Extent& extent : item.extents)
            if (item.base + extent.offset < meta->end()) return std::nullopt;
        if (item.base != 0)
            item.base -= shift;
        else
            for (Extent& extent : item.extents) extent.offset -= shift;
    }
    const Bytes newLocations = HeifItemLocations::write(*locations);
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

} // namespace quelso::HeifExif
