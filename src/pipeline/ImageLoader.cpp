#include "pipeline/ImageLoader.h"

#include "platform/ImageCodec.h"

namespace quelso::ImageLoader {

std::optional<PixelImage> load(const std::string& path) { return ImageCodec::decodeFile(path); }

std::optional<PixelImage> load(const Bytes& encoded) { return ImageCodec::decodeBytes(encoded.data(), encoded.size()); }

std::optional<Info> info(const std::string& path) {
    const auto header = ImageCodec::header(path);
    if (!header) return std::nullopt;
    return Info{header->width, header->height, header->format};
}

std::optional<PixelImage> thumbnail(const std::string& path, int maxSide) {
    return ImageCodec::thumbnail(path, maxSide);
}

} // namespace quelso::ImageLoader
