#pragma once
// Content naming as the command line asks for it: provider, key, model and base from the arguments.
#include <optional>
#include <string>

#include "app/CLI.h"

namespace quelso::CLI {

// The name stem for the picture in the file at path, or absent when nothing names it.
std::optional<std::string> nameFromContent(const std::string& path, const Args& args);

} // namespace quelso::CLI
