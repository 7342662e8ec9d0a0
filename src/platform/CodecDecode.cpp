// Full-size decoding of files and encoded bytes.
#include "platform/CodecInput.h"
#include "platform/CodecRaster.h"
#include "platform/ImageCodec.h"

namespace quelso::ImageCodec {
namespace {

std::optional<PixelImage> decode(Input& in, Bytes reuse) {
    Kind kind{};
    Image image = openWithinLimit(in, kind);
    if (!image) return std::nullopt;
    // Turning the picture needs random access to the decoded rows; the usual upright case
    // streams instead.
    if (vips_image_get_orientation(image.get()) != 1) {
        image = open(in, kind, VIPS_ACCESS_RANDOM);
        if (!image || !withinPixelLimit(image.get())) return failed<PixelImage>();
    }
    std::optional<Bytes> icc = profileOf(image.get());
    Image srgb = toSrgb(image.get(), icc);
    Image upright = srgb ? derive([&](VipsImage** out) { return vips_autorot(srgb.get(), out, nullptr); }) : Image();
    auto result = render(upright.get(), std::move(reuse));
    if (result) result->iccData = std::move(icc);
    return result;
}

} // namespace

std::optional<PixelImage> decodeFile(const std::string& path, Bytes reuse) {
    Input in(path);
    return decode(in, std::move(reuse));
}

std::optional<PixelImage> decodeBytes(const std::uint8_t* data, std::size_t size, Bytes reuse) {
    if (!data || size == 0) return std::nullopt;
    Input in(data, size);
    return decode(in, std::move(reuse));
}

} // namespace quelso::ImageCodec
