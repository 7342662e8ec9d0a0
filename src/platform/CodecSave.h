#pragma once
// The savers behind encode and transcode.
#include <optional>

#include "platform/ImageCodec.h"
#include "platform/VipsHandles.h"

namespace quelso::ImageCodec {

// The bands a saver takes: RGB for JPEG, RGBA for the others.
int savedBands(SaveFormat format);

// Saves an 8-bit image of savedBands(format) bands, tagged sRGB with the standard profile and
// carrying nothing else, evaluating it on the saver's terms.
std::optional<Bytes> save(VipsImage* pixels, SaveFormat format, int quality, const ByteTap& onBytes);

} // namespace quelso::ImageCodec
