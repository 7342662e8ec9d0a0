#pragma once
// Content naming as the command line asks for it: provider, key, model and base from the arguments.
#include <optional>
#include <string>

#include "app/CLI.h"
#include "pipeline/PixelImage.h"

namespace quelso::CLI {

// The name stem for the picture, or absent when nothing names it.
std::optional<std::string> nameFromContent(const PixelImage& picture, const Args& args);

} // namespace quelso::CLI
