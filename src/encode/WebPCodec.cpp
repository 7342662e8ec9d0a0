#include "encode/WebPCodec.h"

#include "encode/mot_webp.h"
#include "platform/ImageCodec.h"

namespace quelso::WebPCodec {
namespace {

struct View {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

View viewOf(const std::optional<Bytes>& blob) {
    if (!blob || blob->empty()) return {};
    return {blob->data(), blob->size()};
}

} // namespace

std::optional<Bytes> addMetadata(const Bytes& webp, const std::optional<Bytes>& exif, const std::optional<Bytes>& icc,
                                 const std::optional<Bytes>& xmp) {
    const View e = viewOf(exif), i = viewOf(icc), x = viewOf(xmp);
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    if (!MOT_MuxAddMetadata(webp.data(), webp.size(), e.data, e.size, i.data, i.size, x.data, x.size, &out, &length) ||
        !out)
        return std::nullopt;
    Bytes result(out, out + length);
    MOT_Free(out);
    return result;
}

std::optional<Bytes> srgbProfileFor(const std::optional<Bytes>& sourceIcc) {
    if (!sourceIcc || sourceIcc->empty()) return std::nullopt;
    if (ImageCodec::isSrgbProfile(sourceIcc->data(), sourceIcc->size())) return sourceIcc;
    const Bytes& standard = ImageCodec::srgbProfile();
    if (standard.empty()) return std::nullopt;
    return standard;
}

} // namespace quelso::WebPCodec
