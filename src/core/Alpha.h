#pragma once
// The exact conversions between straight and premultiplied alpha that every room uses.
#include <cstddef>
#include <cstdint>

#include "core/Bytes.h"

namespace quelso {

// One colour channel times alpha / 255, rounded to the nearest byte.
inline std::uint8_t premultiplied(std::uint8_t channel, std::uint8_t alpha) {
    return static_cast<std::uint8_t>((unsigned{channel} * alpha + 127) / 255);
}

// In place over a whole RGBA buffer, on all cores. Unpremultiplying rounds c * 255 / a in
// single precision and leaves fully transparent and opaque pixels as they are.
void premultiply(Bytes& rgba);
void unpremultiply(Bytes& rgba);

// premultiply then unpremultiply, in one pass: what survives a premultiplied hand-over. The
// second form works on `pixels` RGBA pixels on the calling thread.
void premultiplyRoundTrip(Bytes& rgba);
void premultiplyRoundTrip(std::uint8_t* rgba, std::size_t pixels);

// The colours of `pixels` RGBA pixels premultiplied by their alpha, 3 bytes a pixel (the
// picture over black), written to rgb. rgb may be rgba itself: each pixel's colours land at
// or before where it was read.
void premultipliedColours(const std::uint8_t* rgba, std::size_t pixels, std::uint8_t* rgb);

} // namespace quelso
