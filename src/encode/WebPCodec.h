#pragma once
// WebP files through libwebp itself: ICC, EXIF and XMP chunks attached to an encoded file, and
// encoded files decoded.
#include <cstdint>
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

// The picture of a still WebP file as stored, RGBA with straight alpha, on all cores: no colour
// management and no profile read, so every pixel is the encoder's own. The pixels take reuse's
// memory when it holds enough. Absent when the bytes are not a still WebP picture within the
// codec's pixel limit.
std::optional<PixelImage> decode(const Bytes& webp, Bytes reuse = {});

struct Size {
    std::int64_t width = 0, height = 0;
};

// The size of a still WebP picture that decodes whole, as decode would decode it, for a caller
// that needs no pixels: a lossy picture is left in the decoder's own planes (in scratch's
// memory when it holds enough) rather than turned into RGBA. Absent when decode would fail.
std::optional<Size> decodedSize(const Bytes& webp, Bytes scratch = {});

} // namespace quelso::WebPCodec
