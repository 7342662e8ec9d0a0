#pragma once
// Turns files and bytes into PixelImages.
#include <cstdint>
#include <optional>
#include <string>

#include "core/PixelImage.h"

namespace quelso::ImageLoader {

struct Info {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::string format; // upper-case extension such as "JPEG" or "PNG"; "IMG" when unknown
};

// The first image of a file (or of encoded bytes), orientation applied, converted to sRGB.
std::optional<PixelImage> load(const std::string& path);
std::optional<PixelImage> load(const Bytes& encoded);

// A file this program wrote, decoded again to check it: WebP by libwebp itself, exactly as
// stored; other formats as load gives them. The pixels take spent's memory (a raster no
// longer needed) when it holds enough, instead of fresh pages.
std::optional<PixelImage> loadOutput(const std::string& path, Bytes spent);

// The same check for a caller that reads no pixels back: the file decodes whole, WebP by
// libwebp (a lossy picture left in its own planes, in spent's memory), other formats row by
// row with each row dropped once decoded, and this is its size. Absent when loadOutput would
// fail.
std::optional<Info> checkOutput(const std::string& path, Bytes spent);

// The same for output bytes still in memory, before they are written: a file the bytes are
// then written to holds the very pixels checked.
std::optional<PixelImage> loadOutput(const Bytes& encoded, Bytes spent);

// Size and format from the header alone.
std::optional<Info> info(const std::string& path);

// A preview whose longer side is at most maxSide, turned upright.
std::optional<PixelImage> thumbnail(const std::string& path, int maxSide);

} // namespace quelso::ImageLoader
