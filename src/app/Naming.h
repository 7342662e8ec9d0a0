#pragma once
// Content naming as the command line asks for it: provider, key, model and base from the arguments.
#include <optional>
#include <string>

#include "app/CLI.h"
#include "core/PixelImage.h"

namespace quelso::CLI {

// Whether pictures can be named in this process, which loads naming if nothing has yet; when
// not, says why in one line on standard error. A mode that was asked to name stops there.
bool namingReady();

// The name stem for the picture, or absent when nothing names it.
std::optional<std::string> nameFromContent(const PixelImage& picture, const Args& args);

} // namespace quelso::CLI
