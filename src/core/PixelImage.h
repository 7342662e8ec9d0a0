#pragma once
// The one in-memory form of every picture: straight-alpha 8-bit RGBA in sRGB.
#include <cstdint>
#include <optional>

#include "core/Bytes.h"

namespace quelso {

struct PixelImage {
    Bytes rgba; // width * height * 4 bytes, rows top to bottom, no padding
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::optional<Bytes> iccData; // the source's own profile, kept only to travel with the output

    std::int64_t pixelCount() const { return width * height; }
};

// True when the picture has pixels, sides of at most a million, and exactly the bytes its
// size calls for.
inline bool isWellFormed(const PixelImage& picture) {
    return picture.width > 0 && picture.height > 0 && picture.width <= 1'000'000 && picture.height <= 1'000'000 &&
           picture.rgba.size() == static_cast<std::size_t>(picture.width * picture.height * 4);
}

} // namespace quelso
