#pragma once
// Whole-file reads and writes that never leave a half-written file behind.
#include <optional>
#include <string>

#include "pipeline/PixelImage.h"

namespace quelso::Files {

// The whole file, or absent when it cannot be read (or is not a regular file).
std::optional<Bytes> read(const std::string& path);

// Writes to a temporary file beside path and renames it over path once complete, so an
// existing file is only ever replaced by a whole new one. On failure returns the reason.
std::optional<std::string> write(const std::string& path, const Bytes& data);

} // namespace quelso::Files
