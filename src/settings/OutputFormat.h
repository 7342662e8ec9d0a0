#pragma once
// The output file formats and their names.
#include <array>
#include <optional>
#include <string_view>

namespace quelso {

enum class OutputFormat { webp, png, jpeg, heif };

namespace OutputFormats {
inline constexpr std::array<OutputFormat, 4> allCases{OutputFormat::webp, OutputFormat::png, OutputFormat::jpeg,
                                                      OutputFormat::heif};
std::string_view rawValue(OutputFormat f);
std::string_view displayName(OutputFormat f);
std::string_view fileExtension(OutputFormat f);
bool isLossy(OutputFormat f);
std::optional<OutputFormat> fromRawValue(std::string_view raw);
} // namespace OutputFormats

} // namespace quelso
