#pragma once
// Attaches ICC, EXIF and XMP chunks to an encoded WebP file.
#include <optional>

#include "pipeline/PixelImage.h"

namespace quelso::WebPCodec {

// Absent or empty buffers add no chunk; absent result when the bytes are not WebP.
std::optional<Bytes> addMetadata(const Bytes& webp, const std::optional<Bytes>& exif,
                                 const std::optional<Bytes>& icc, const std::optional<Bytes>& xmp);

} // namespace quelso::WebPCodec
