// PNG, JPEG and HEIF files from a raster, through libvips' savers.
#include <vips/vips.h>

#include "platform/ImageCodec.h"
#include "platform/VipsHandles.h"

namespace quelso::ImageCodec {

std::optional<Bytes> encode(const std::uint8_t* pixels, int bands, int width, int height, SaveFormat format,
                            int quality) {
    if (!pixels || width < 1 || height < 1 || bands != (format == SaveFormat::jpeg ? 3 : 4) || !init())
        return std::nullopt;
    const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bands;
    Image raw(vips_image_new_from_memory(pixels, size, width, height, bands, VIPS_FORMAT_UCHAR));
    if (!raw) return failed<Bytes>();
    Image tagged = derive([&](VipsImage** out) {
        return vips_copy(raw.get(), out, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr);
    });
    if (!tagged) return std::nullopt;
    const Bytes& profile = srgbProfile();
    vips_image_set_blob_copy(tagged.get(), VIPS_META_ICC_NAME, profile.data(), profile.size());

    void* buffer = nullptr;
    std::size_t length = 0;
    int rc = -1;
    switch (format) {
    case SaveFormat::png:
        rc = vips_pngsave_buffer(tagged.get(), &buffer, &length, nullptr);
        break;
    case SaveFormat::heif:
        rc = vips_heifsave_buffer(tagged.get(), &buffer, &length, "Q", quality, nullptr);
        break;
    case SaveFormat::jpeg:
        // libvips would add an EXIF block of its own unless stripped, and stripping drops the
        // profile too.
        rc = vips_jpegsave_buffer(tagged.get(), &buffer, &length, "Q", quality, "strip", TRUE, nullptr);
        break;
    }
    if (rc != 0 || !buffer) {
        g_free(buffer);
        return failed<Bytes>();
    }
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    Bytes result(bytes, bytes + length);
    g_free(buffer);
    return result;
}

} // namespace quelso::ImageCodec
