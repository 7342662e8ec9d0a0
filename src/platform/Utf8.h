#pragma once
// UTF-8 as ICU reads it: strict validation (no overlongs, no surrogates, nothing above
// U+10FFFF), trimming by the Unicode White_Space property, and the terminal-safe form of
// text that came from files or from the user.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quelso {

bool isValidUtf8(std::span<const std::uint8_t> bytes);

// The bytes as text when they are valid UTF-8, otherwise the fallback.
std::string utf8OrFallback(std::span<const std::uint8_t> bytes, const char* fallback);

// The text without the white space (spaces, tabs, line breaks, no-break and ideographic
// spaces and the like) at either end. Malformed bytes count as text.
std::string_view trimmedWhitespace(std::string_view text);

// The text with everything that could steer a terminal or break a report line escaped:
// C0 controls, DEL and bytes that are not UTF-8 as \xNN, C1 controls, line separators and
// bidirectional controls as \u{NNNN}. Everything else passes unchanged.
std::string printable(std::string_view text);

} // namespace quelso
