#include "platform/CanvasParts.h"

#include <cstring>

namespace quelso {

// Building and splitting the word through memcpy keeps both directions exact on either
// byte order.
void rgbaToNative(std::uint8_t* p, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i, p += 4) {
        const std::uint32_t word = static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[0]) << 16 |
                                   static_cast<std::uint32_t>(p[1]) << 8 | static_cast<std::uint32_t>(p[2]);
        std::memcpy(p, &word, 4);
    }
}

void nativeToRgba(std::uint8_t* p, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i, p += 4) {
        std::uint32_t word;
        std::memcpy(&word, p, 4);
        p[0] = static_cast<std::uint8_t>(word >> 16);
        p[1] = static_cast<std::uint8_t>(word >> 8);
        p[2] = static_cast<std::uint8_t>(word);
        p[3] = static_cast<std::uint8_t>(word >> 24);
    }
}

} // namespace quelso
