// Upright sRGB previews: of files, reduced while decoding where the format allows, and of
// pictures already decoded.
#include "platform/CodecInput.h"
#include "platform/CodecRaster.h"
#include "platform/ImageCodec.h"

namespace quelso::ImageCodec {

std::optional<PixelImage> thumbnail(const std::string& path, int maxSide) {
    if (maxSide < 1) return std::nullopt;
    Input in(path);
    Kind kind{};
    if (!openWithinLimit(in, kind)) return std::nullopt;
    Image small = derive([&](VipsImage** out) {
        if (in.path) {
            Source source(vips_source_new_from_file(in.path->c_str()));
            return source ? vips_thumbnail_source(source.get(), out, maxSide, "height", maxSide, "size", VIPS_SIZE_DOWN,
                                                  "option_string", failOnOption(kind), nullptr)
                          : -1;
        }
        return vips_thumbnail_buffer(const_cast<std::uint8_t*>(in.data), in.size, out, maxSide, "height", maxSide,
                                     "size", VIPS_SIZE_DOWN, "option_string", failOnOption(kind), nullptr);
    });
    if (!small) return std::nullopt;
    // The thumbnailer has already turned the picture and exported it to sRGB when it had a
    // profile; this only settles bands and depth.
    Image rgba = toSrgbRgba(small.get(), profileOf(small.get()));
    return render(rgba.get());
}

std::optional<PixelImage> thumbnail(const PixelImage& picture, int maxSide) {
    if (maxSide < 1 || !isWellFormed(picture) || !init()) return std::nullopt;
    Image raw(vips_image_new_from_memory(picture.rgba.data(), picture.rgba.size(), static_cast<int>(picture.width),
                                         static_cast<int>(picture.height), 4, VIPS_FORMAT_UCHAR));
    if (!raw) return failed<PixelImage>();
    Image tagged = derive([&](VipsImage** out) {
        return vips_copy(raw.get(), out, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr);
    });
    Image small = tagged ? derive([&](VipsImage** out) {
        return vips_thumbnail_image(tagged.get(), out, maxSide, "height", maxSide, "size", VIPS_SIZE_DOWN, nullptr);
    })
                         : Image();
    if (!small) return std::nullopt;
    Image rgba = toSrgbRgba(small.get(), std::nullopt);
    return render(rgba.get());
}

} // namespace quelso::ImageCodec
