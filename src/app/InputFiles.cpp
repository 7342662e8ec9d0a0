#include "app/InputFiles.h"

#include "pipeline/ImageLoader.h"
#include "platform/Files.h"

namespace quelso::CLI {

std::optional<PixelImage> readPicture(const std::string& path) {
    const auto bytes = Files::read(path);
    if (!bytes) return std::nullopt;
    return ImageLoader::load(*bytes);
}

std::optional<Bytes> readLogo(const std::string& path, std::string& reason) {
    auto bytes = Files::read(path, kLogoLimit, &reason);
    if (bytes && !ImageLoader::load(*bytes)) {
        reason = "not a picture";
        return std::nullopt;
    }
    return bytes;
}

} // namespace quelso::CLI
