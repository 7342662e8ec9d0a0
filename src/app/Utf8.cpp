#include "app/Utf8.h"

namespace quelso {

bool isValidUtf8(std::span<const std::uint8_t> s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const std::uint8_t c = s[i];
        std::size_t extra;
        std::uint8_t lo = 0x80, hi = 0xBF; // allowed range of the first continuation byte
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF)
            extra = 1;
        else if (c == 0xE0) {
            extra = 2;
            lo = 0xA0;
        } else if (c == 0xED) {
            extra = 2;
            hi = 0x9F;
        } else if (c >= 0xE1 && c <= 0xEF)
            extra = 2;
        else if (c == 0xF0) {
            extra = 3;
            lo = 0x90;
        } else if (c == 0xF4) {
            extra = 3;
            hi = 0x8F;
        } else if (c >= 0xF1 && c <= 0xF3)
            extra = 3;
        else
            return false;
        if (i + extra >= s.size()) return false;
        if (s[i + 1] < lo || s[i + 1] > hi) return false;
        for (std::size_t k = 2; k <= extra; ++k)
            if ((s[i + k] & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

std::string utf8OrFallback(std::span<const std::uint8_t> bytes, const char* fallback) {
    return isValidUtf8(bytes) ? std::string(bytes.begin(), bytes.end()) : std::string(fallback);
}

} // namespace quelso
