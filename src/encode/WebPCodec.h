#pragma once
// Attaches ICC, EXIF and XMP chunks to an encoded WebP file.
#include <optional>

#include "core/PixelImage.h"

namespace quelso::WebPCodec {

// Absent or empty buffers add no chunk; absent result when the bytes are not WebP.
std::optional<Bytes> addMetadata(const Bytes& webp, const std::optional<Bytes>& exif, const std::optional<Bytes>& icc,
                                 const std::optional<Bytes>& xmp);

// The profile to attach to output pixels, which are always sRGB: the source's own bytes when
// they describe sRGB, else a standard sRGB profile. Attaching a wide-gamut source profile to
// sRGB values would make every viewer show them wrongly. Absent when the source had none.
std::optional<Bytes> srgbProfileFor(const std::optional<Bytes>& sourceIcc);

} // namespace quelso::WebPCodec
