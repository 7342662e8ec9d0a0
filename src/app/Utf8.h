#pragma once
// Strict UTF-8 validation (no overlongs, no surrogates, nothing above U+10FFFF).
#include <cstdint>
#include <span>

namespace quelso {

bool isValidUtf8(std::span<const std::uint8_t> bytes);

} // namespace quelso
