// Size and format from the header alone.
#include <string_view>

#include "platform/CodecInput.h"
#include "platform/ImageCodec.h"

namespace quelso::ImageCodec {

std::optional<Header> header(const std::string& path) {
    if (!init()) return std::nullopt;
    Input in(path);
    const auto kind = sniff(in);
    if (!kind) return std::nullopt;
    Image image = open(in, *kind, VIPS_ACCESS_SEQUENTIAL);
    if (!image) return std::nullopt;
    Header result{image->Xsize, image->Ysize, formatName(*kind)};
    const char* compression = nullptr;
    if (*kind == Kind::heif && vips_image_get_typeof(image.get(), "heif-compression") &&
        vips_image_get_string(image.get(), "heif-compression", &compression) == 0 &&
        std::string_view(compression) == "av1")
        result.format = "AVIF";
    vips_error_clear();
    return result;
}

} // namespace quelso::ImageCodec
