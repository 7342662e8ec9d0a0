#include "pipeline/ImageLoader.h"

#include <algorithm>
#include <string_view>

#include "encode/WebPCodec.h"
#include "platform/Files.h"
#include "platform/ImageCodec.h"

namespace quelso::ImageLoader {

std::optional<PixelImage> load(const std::string& path) { return ImageCodec::decodeFile(path); }

std::optional<PixelImage> load(const Bytes& encoded) { return ImageCodec::decodeBytes(encoded.data(), encoded.size()); }

std::optional<PixelImage> loadOutput(const std::string& path, Bytes spent) {
    const auto header = ImageCodec::header(path);
    if (!header) return std::nullopt;
    if (header->format != "WEBP") return ImageCodec::decodeFile(path, std::move(spent));
    const auto file = Files::read(path);
    if (!file) return std::nullopt;
    return WebPCodec::decode(*file, std::move(spent));
}

std::optional<Info> checkOutput(const std::string& path, Bytes spent) {
    const auto header = ImageCodec::header(path);
    if (!header) return std::nullopt;
    if (header->format == "WEBP") {
        const auto file = Files::read(path);
        const auto size = file ? WebPCodec::decodedSize(*file, std::move(spent)) : std::nullopt;
        if (!size) return std::nullopt;
        return Info{size->width, size->height, header->format};
    }
    if (!ImageCodec::decodesWhole(path)) return std::nullopt;
    return Info{header->width, header->height, header->format};
}

std::optional<PixelImage> loadOutput(const Bytes& encoded, Bytes spent) {
    // A RIFF container of form type WEBP.
    constexpr std::string_view riff = "RIFF", webp = "WEBP";
    const bool isWebP = encoded.size() >= 12 && std::equal(riff.begin(), riff.end(), encoded.begin()) &&
                        std::equal(webp.begin(), webp.end(), encoded.begin() + 8);
    if (isWebP) return WebPCodec::decode(encoded, std::move(spent));
    return ImageCodec::decodeBytes(encoded.data(), encoded.size(), std::move(spent));
}

std::optional<Info> info(const std::string& path) {
    const auto header = ImageCodec::header(path);
    if (!header) return std::nullopt;
    return Info{header->width, header->height, header->format};
}

std::optional<PixelImage> thumbnail(const std::string& path, int maxSide) {
    return ImageCodec::thumbnail(path, maxSide);
}

} // namespace quelso::ImageLoader
