// PNG, JPEG and HEIF files from a raster, through libvips' savers.
#include <vips/vips.h>

#include "platform/CodecSave.h"
#include "platform/ImageCodec.h"

namespace quelso::ImageCodec {
namespace {

struct Written {
    Bytes file;
    const ByteTap& onBytes;
};

gint64 append(VipsTargetCustom*, const void* data, gint64 length, Written* written) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    written->file.insert(written->file.end(), bytes, bytes + length);
    if (written->onBytes) written->onBytes(bytes, static_cast<std::size_t>(length));
    return length;
}

} // namespace

int savedBands(SaveFormat format) { return format == SaveFormat::jpeg ? 3 : 4; }

std::optional<Bytes> save(VipsImage* pixels, SaveFormat format, int quality, const ByteTap& onBytes) {
    Image tagged = derive(
        [&](VipsImage** out) { return vips_copy(pixels, out, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr); });
    if (!tagged) return std::nullopt;
    const Bytes& profile = srgbProfile();
    vips_image_set_blob_copy(tagged.get(), VIPS_META_ICC_NAME, profile.data(), profile.size());

    // The saver writes straight into the result: no growing buffer of its own to copy from. A
    // PNG of noisy pixels can be nearly as large as the raster; memory reserved and never
    // written costs nothing.
    Written written{{}, onBytes};
    Bytes& file = written.file;
    const std::size_t size = VIPS_IMAGE_SIZEOF_IMAGE(pixels);
    if (format == SaveFormat::png) file.reserve(size + size / 64 + (1 << 16));
    Target target(vips_target_custom_new());
    if (!target) return failed<Bytes>();
    g_signal_connect(target.get(), "write", G_CALLBACK(append), &written);
    VipsTarget* to = VIPS_TARGET(target.get());
    int rc = -1;
    switch (format) {
    case SaveFormat::png:
        rc = vips_pngsave_target(tagged.get(), to, nullptr);
        break;
    case SaveFormat::heif:
        rc = vips_heifsave_target(tagged.get(), to, "Q", quality, nullptr);
        break;
    case SaveFormat::jpeg:
        // libvips would add an EXIF block of its own unless stripped, and stripping drops the
        // profile too.
        rc = vips_jpegsave_target(tagged.get(), to, "Q", quality, "strip", TRUE, nullptr);
        break;
    }
    if (rc != 0 || file.empty()) return failed<Bytes>();
    return file;
}

std::optional<Bytes> encode(const std::uint8_t* pixels, int bands, int width, int height, SaveFormat format,
                            int quality, const ByteTap& onBytes) {
    if (!pixels || width < 1 || height < 1 || bands != savedBands(format) || !init()) return std::nullopt;
    const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bands;
    Image raw(vips_image_new_from_memory(pixels, size, width, height, bands, VIPS_FORMAT_UCHAR));
    if (!raw) return failed<Bytes>();
    return save(raw.get(), format, quality, onBytes);
}

} // namespace quelso::ImageCodec
