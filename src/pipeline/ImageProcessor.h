#pragma once
// The one road from a decoded picture to finished output bytes.
#include <cstdint>
#include <optional>

#include "core/PixelImage.h"
#include "settings/ProcessResult.h"
#include "settings/ProcessingSettings.h"

namespace quelso::ImageProcessor {

// Absent only when encoding fails. fileBytes, for PNG and JPEG output, receives the file's bytes
// while they are encoded.
std::optional<ProcessResult> process(const PixelImage& image, const ProcessingSettings& settings, std::uint64_t seed,
                                     const ByteTap& fileBytes = {});

// The same result for a caller done with the input's pixels: a chain that only shifts colours,
// embeds the invisible watermark and forces or counts changes works on them in place, with no
// copy of the raster. Afterwards image.rgba holds memory the caller may reuse; its contents are
// unspecified.
std::optional<ProcessResult> processInPlace(PixelImage& image, const ProcessingSettings& settings, std::uint64_t seed,
                                            const ByteTap& fileBytes = {});

// The result of loading `encoded` and processing it, for a chain that only shifts colours and
// forces or counts changes, to PNG or JPEG: each row goes from the decoder through the chain to
// the encoder, and the picture is never held whole. Absent for any other chain or format, for a
// picture that must be turned, and when decoding or encoding fails: the ordinary road then
// gives the result, or says what failed.
std::optional<ProcessResult> transcode(const Bytes& encoded, const ProcessingSettings& settings, std::uint64_t seed,
                                       const ByteTap& fileBytes = {});

// Raster (width - 2) x (height - 2) without the outermost ring of pixels.
Bytes microCrop(const Bytes& rgba, std::int64_t width, std::int64_t height);

} // namespace quelso::ImageProcessor
