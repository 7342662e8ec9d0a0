#include "encode/JpegIcc.h"

#include <algorithm>
#include <memory>

namespace quelso::JpegIcc {

std::optional<Bytes> withProfile(const Bytes& jpeg, const Bytes& icc) {
    const std::size_t size = jpeg.size();
    if (size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return std::nullopt;
    std::size_t insertAt = 2;
    if (jpeg[2] == 0xFF && jpeg[3] == 0xE0 && size >= 6) insertAt = 4 + readBigEndian(&jpeg[4], 2);
    if (insertAt > size) return std::nullopt;
    constexpr std::size_t kChunk = 65519; // 65535 minus length, signature and sequence bytes
    const std::size_t chunks = (icc.size() + kChunk - 1) / kChunk;
    if (chunks == 0 || chunks > 255) return std::nullopt;
    Bytes out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(insertAt));
    static constexpr char kSignature[] = "ICC_PROFILE"; // written with its terminating zero
    for (std::size_t i = 0; i < chunks; ++i) {
        const std::size_t begin = i * kChunk;
        const std::size_t length = std::min(kChunk, icc.size() - begin);
        out.insert(out.end(), {0xFF, 0xE2});
        appendBigEndian(out, 2 + sizeof kSignature + 2 + length, 2);
        out.insert(out.end(), kSignature, kSignature + sizeof kSignature);
        out.push_back(static_cast<std::uint8_t>(i + 1));
        out.push_back(static_cast<std::uint8_t>(chunks));
        out.insert(out.end(), icc.begin() + static_cast<std::ptrdiff_t>(begin),
                   icc.begin() + static_cast<std::ptrdiff_t>(begin + length));
    }
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(insertAt), jpeg.end());
    return out;
}

ByteTap withProfileAlong(const Bytes& icc, ByteTap next) {
    if (!next) return {};
    struct Splice {
        Bytes icc;
        ByteTap next;
        Bytes head; // the bytes before the profile's place, until it is known
        bool done = false;
    };
    return [splice = std::make_shared<Splice>(Splice{icc, std::move(next), {}})](const std::uint8_t* data,
                                                                                 std::size_t size) {
        if (splice->done) return splice->next(data, size);
        splice->head.insert(splice->head.end(), data, data + size);
        // Six bytes tell whether a JFIF segment comes first and how long it is.
        if (splice->head.size() < 6) return;
        const std::optional<Bytes> start = withProfile(splice->head, splice->icc);
        if (!start) return;
        splice->done = true;
        splice->next(start->data(), start->size());
        Bytes().swap(splice->head);
    };
}

} // namespace quelso::JpegIcc
