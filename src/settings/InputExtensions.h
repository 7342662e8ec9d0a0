#pragma once
// The file extensions of the pictures taken in, by the window and by the command line's
// folder walk alike.
#include <array>
#include <string_view>

namespace quelso::InputExtensions {

inline constexpr std::array<std::string_view, 10> all = {"webp", "png",  "jpg", "jpeg", "heic",
                                                         "heif", "tiff", "tif", "gif",  "bmp"};

// True when the file name ends in one of them, in any letter case ("Photo.JPG").
bool accepted(std::string_view fileName);

} // namespace quelso::InputExtensions
