#pragma once
// Output file names that never replace an existing file: "<stem>-unique.<ext>",
// "<stem>-unique-2.<ext>", … or, named from the content, "<name>.<ext>", "<name>-2.<ext>", ….
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/Files.h"
#include "settings/OutputFormat.h"

namespace quelso::OutputName {

// The name before the counter: the content name ("image" when it came out empty), or
// the input's file name without its extension followed by "-unique".
std::string base(const std::string& inputPath, const std::optional<std::string>& contentName);

// Writes data into folder under the first free name of base followed by the counter and the
// format's extension, never replacing a file (Files::createUnique).
Files::Created write(const std::string& folder, const std::string& base, OutputFormat format,
                     std::span<const std::uint8_t> data);

// The folder outputs go to: the destination when there is one, else the input's folder.
std::string folder(const std::string& inputPath, const std::optional<std::string>& destination);

} // namespace quelso::OutputName
