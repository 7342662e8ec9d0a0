#pragma once
// What the command line reads: every file goes through the one bounded reader, so a FIFO,
// a device or a huge file is refused at once instead of waited on or read whole.
#include <cstdint>
#include <optional>
#include <string>

#include "core/PixelImage.h"

namespace quelso::CLI {

// Logos are small pictures; a larger file is a mistake, not a logo.
inline constexpr std::uint64_t kLogoLimit = std::uint64_t{64} << 20;

// The file's first picture, or absent when the file is not a picture we read.
std::optional<PixelImage> readPicture(const std::string& path);

// The bytes of a logo file that is a picture of at most kLogoLimit bytes; otherwise absent,
// with the reason in a few words.
std::optional<Bytes> readLogo(const std::string& path, std::string& reason);

} // namespace quelso::CLI
