#pragma once
// Editing of the HEIF files the codec writes.
#include <optional>

#include "core/PixelImage.h"

namespace quelso::ImageCodec {

// The same HEIF file without its Exif metadata items: their item entries, locations and
// references are dropped and their bytes blanked. libvips always writes an EXIF block of its
// own into HEIF unless told to strip everything, which would drop the colour profile too.
// Absent when the file does not have the plain single-meta layout that libheif writes.
std::optional<Bytes> withoutExifItems(const Bytes& heif);

} // namespace quelso::ImageCodec
