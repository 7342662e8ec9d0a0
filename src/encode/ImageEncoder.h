#pragma once
// Turns the finished raster into the bytes of the output file in the chosen format.
#include <cstdint>
#include <optional>

#include "core/PixelImage.h"
#include "settings/ProcessingSettings.h"

namespace quelso::ImageEncoder {

// The caller's raster is not changed. Absent when encoding failed.
std::optional<Bytes> encode(const Bytes& rgba, std::int64_t width, std::int64_t height,
                            const ProcessingSettings& settings);

// The same bytes from a raster the caller is done with: the codec formats premultiply it in
// place instead of in a copy, and WebP frees it as soon as libwebp holds the pixels.
// pngBytes, for PNG output, receives the file's bytes while they are written; the other
// formats' bytes are changed after their encoder (profile, EXIF) and are not handed over.
std::optional<Bytes> encode(Bytes&& rgba, std::int64_t width, std::int64_t height, const ProcessingSettings& settings,
                            const ByteTap& pngBytes = {});

// The same bytes from a raster whose memory the caller keeps for later use: the encoders work in
// it (the codec formats premultiply in place, WebP keeps libwebp's planes there) instead of
// taking fresh pages. Its contents are unspecified afterwards; its size is unchanged.
std::optional<Bytes> encodeInPlace(Bytes& rgba, std::int64_t width, std::int64_t height,
                                   const ProcessingSettings& settings, const ByteTap& pngBytes = {});

} // namespace quelso::ImageEncoder
