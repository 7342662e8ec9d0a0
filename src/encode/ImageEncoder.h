#pragma once
// Turns the finished raster into the bytes of the output file in the chosen format.
#include <cstdint>
#include <functional>
#include <optional>

#include "core/PixelImage.h"
#include "platform/ImageCodec.h"
#include "settings/ProcessingSettings.h"

namespace quelso::ImageEncoder {

// The caller's raster is not changed. Absent when encoding failed.
std::optional<Bytes> encode(const Bytes& rgba, std::int64_t width, std::int64_t height,
                            const ProcessingSettings& settings);

// The same bytes from a raster the caller is done with: the codec formats premultiply it in
// place instead of in a copy, and WebP frees it as soon as libwebp holds the pixels.
// fileBytes, for PNG and JPEG output, receives the file's bytes while they are written; HEIF's
// are changed after its encoder and are not handed over.
std::optional<Bytes> encode(Bytes&& rgba, std::int64_t width, std::int64_t height, const ProcessingSettings& settings,
                            const ByteTap& fileBytes = {});

// The same bytes from a raster whose memory the caller keeps for later use: the encoders work in
// it (the codec formats premultiply in place, WebP keeps libwebp's planes there) instead of
// taking fresh pages. Its contents are unspecified afterwards; its size is unchanged.
std::optional<Bytes> encodeInPlace(Bytes& rgba, std::int64_t width, std::int64_t height,
                                   const ProcessingSettings& settings, const ByteTap& fileBytes = {});

// A pass over `count` straight-alpha RGBA pixels in place, the first of them pixel number
// `first` of the picture.
using PixelPass = std::function<void(std::uint8_t* rgba, std::int64_t first, std::int64_t count)>;

// The PNG or JPEG file that decoding `encoded`, running chain over the whole raster and
// encoding it would give, made row by row without the raster: chain sees the rows in order,
// one call at a time. Absent for the other formats, for a picture that must be turned, and
// on any failure.
std::optional<ImageCodec::Transcoded> transcode(const Bytes& encoded, const ProcessingSettings& settings,
                                                const PixelPass& chain, const ByteTap& fileBytes = {});

} // namespace quelso::ImageEncoder
