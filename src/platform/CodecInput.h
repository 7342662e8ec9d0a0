#pragma once
// Encoded pictures as the codec reads them: a file or bytes in memory, the loader chosen by
// the content (never the name) among the formats we read, and the header opened within the
// pixel limit.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/Bytes.h"
#include "platform/VipsHandles.h"

namespace quelso::ImageCodec {

enum class Kind { jpeg, png, webp, heif, tiff, gif, bmp };

// Encoded bytes to read: a file on disk, a buffer owned by the caller or by this record, or
// a libvips source the caller owns (read as it comes, never sniffed).
struct Input {
    explicit Input(const std::string& file) : path(&file) {}
    Input(const std::uint8_t* bytes, std::size_t length) : data(bytes), size(length) {}
    explicit Input(VipsSource* stream) : source(stream) {}

    const std::string* path = nullptr;
    VipsSource* source = nullptr;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    Bytes owned;
};

// The header's name for the format: "JPEG", "PNG", "WEBP", "HEIC", "TIFF", "GIF", "BMP".
const char* formatName(Kind kind);

// The loader's damage policy as a loader option string, for the thumbnailer.
const char* failOnOption(Kind kind);

// Picks the loader from the content and readies the input for it (a BMP file is read into
// memory). Only regular files are opened.
std::optional<Kind> sniff(Input& in);

// Reads the header; pixels are decoded later, when the pipeline built on it is evaluated.
Image open(const Input& in, Kind kind, VipsAccess access);

// True when the picture has pixels and at most maxPixels() of them.
bool withinPixelLimit(const VipsImage* image);

// Starts libvips, sniffs the input and opens a header within the pixel limit for streaming.
Image openWithinLimit(Input& in, Kind& kind);

} // namespace quelso::ImageCodec
