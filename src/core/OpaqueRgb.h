#pragma once
// Opaque pixels between 3 and 4 bytes: the picture's RGB rows widened for the chain, and the
// chain's RGBA packed again for the encoders that take no alpha.
#include <cstddef>
#include <cstdint>

namespace quelso {

// `pixels` RGB pixels as RGBA with alpha 255.
void widenToRgba(const std::uint8_t* rgb, std::size_t pixels, std::uint8_t* rgba);

// Packs the opaque pixels at the start of `pixels` RGBA ones into RGB, up to the first whose
// alpha is not 255; returns how many. rgb may be rgba itself: each pixel lands at or before
// where it was read.
std::size_t packOpaqueRun(const std::uint8_t* rgba, std::size_t pixels, std::uint8_t* rgb);

} // namespace quelso
