#pragma once
// The command-line modes and the argument helpers they share.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ProcessingSettings.h"

namespace quelso::CLI {

using Args = std::vector<std::string>;

// The modes; each takes the arguments after its mode word and returns the exit status.
std::int32_t process(const Args& args);
std::int32_t extract(const Args& args);
std::int32_t suggestName(const Args& args);
std::int32_t batch(const Args& args);

// The element after the first occurrence of name; absent when name is missing or last.
std::optional<std::string> value(const Args& args, std::string_view name);
bool contains(const Args& args, std::string_view flag);

// Six hexadecimal digits with an optional leading '#'.
std::optional<RGBColor> parseHex(std::string_view text);
RenameProvider renameProvider(const Args& args);
// --api-key (with "-", the first line of standard input), else the provider's environment
// variable, else "".
std::string apiKey(const Args& args, RenameProvider provider);

// strtod syntax in the C locale, consuming the whole text, and finite.
std::optional<double> parseNumber(std::string_view text);
// Optional sign and decimal digits within the signed 64-bit range.
std::optional<std::int64_t> parseInteger(std::string_view text);
// Decimal digits with an optional leading '+', within the unsigned 64-bit range.
std::optional<std::uint64_t> parseSeed(std::string_view text);

// Applies the processing options to settings, in the order that decides which wins.
// Returns the error line when a logo file cannot be used.
std::optional<std::string> applyOptions(const Args& args, ProcessingSettings& settings);

// Printed on a usage error; helpText adds what a user needs beyond it.
extern const char* const usageText;
extern const char* const helpText;
// The batch mode's own usage text, printed on its usage errors and by --help.
extern const char* const batchUsageText;

} // namespace quelso::CLI
