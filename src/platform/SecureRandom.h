#pragma once
#include <cstdint>

namespace quelso {

// Eight bytes from the kernel's random source.
std::uint64_t secureRandomSeed();

} // namespace quelso
