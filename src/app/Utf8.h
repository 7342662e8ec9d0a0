#pragma once
// Strict UTF-8 validation (no overlongs, no surrogates, nothing above U+10FFFF).
#include <cstdint>
#include <span>
#include <string>

namespace quelso {

bool isValidUtf8(std::span<const std::uint8_t> bytes);

// The bytes as text when they are valid UTF-8, otherwise the fallback.
std::string utf8OrFallback(std::span<const std::uint8_t> bytes, const char* fallback);

} // namespace quelso
