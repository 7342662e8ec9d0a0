#pragma once
// HEIF files without their Exif metadata items.
#include <optional>

#include "core/Bytes.h"

namespace quelso::HeifExif {

// The same HEIF file without its Exif metadata items: their item entries, locations and
// references are dropped and their bytes blanked. libvips always writes an EXIF block of its
// own into HEIF unless told to strip everything, which would drop the colour profile too.
// Absent when the file does not have the plain single-meta layout that libheif writes.
std::optional<Bytes> withoutExifItems(const Bytes& heif);

} // namespace quelso::HeifExif
