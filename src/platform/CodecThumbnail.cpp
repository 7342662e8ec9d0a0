// Upright sRGB previews, reduced while decoding where the format allows.
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
    Image srgb = toSrgb(small.get(), profileOf(small.get()));
    return render(srgb.get());
}

} // namespace quelso::ImageCodec
