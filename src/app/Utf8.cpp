#include "app/Utf8.h"

#include <cstdio>

namespace quelso {

namespace {

// The scalar value starting at s[i] and its length in bytes; length 0 when the bytes there
// are not well-formed UTF-8.
struct Scalar {
    char32_t value = 0;
    std::size_t length = 0;
};

Scalar scalarAt(std::span<const std::uint8_t> s, std::size_t i) {
    const std::uint8_t c = s[i];
    if (c < 0x80) return {c, 1};
    std::size_t extra;
    std::uint8_t lo = 0x80, hi = 0xBF; // allowed range of the first continuation byte
    if (c >= 0xC2 && c <= 0xDF)
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
        return {};
    if (i + extra >= s.size()) return {};
    if (s[i + 1] < lo || s[i + 1] > hi) return {};
    char32_t value = c & (0x3F >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
        if ((s[i + k] & 0xC0) != 0x80) return {};
        value = (value << 6) | (s[i + k] & 0x3F);
    }
    return {value, extra + 1};
}

// Code points that move the cursor, end a line or reorder what follows on it.
bool steersTerminal(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

bool isValidUtf8(std::span<const std::uint8_t> s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t length = scalarAt(s, i).length;
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string utf8OrFallback(std::span<const std::uint8_t> bytes, const char* fallback) {
    return isValidUtf8(bytes) ? std::string(bytes.begin(), bytes.end()) : std::string(fallback);
}

std::string printable(std::string_view text) {
    const std::span<const std::uint8_t> s(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    std::string out;
    out.reserve(text.size());
    char escape[16];
    for (std::size_t i = 0; i < s.size();) {
        const Scalar scalar = scalarAt(s, i);
        if (scalar.length == 0 || scalar.value < 0x80) {
            if (scalar.length == 0 || steersTerminal(scalar.value)) {
                std::snprintf(escape, sizeof escape, "\\x%02x", s[i]);
                out += escape;
            } else {
                out += static_cast<char>(s[i]);
            }
            ++i;
            continue;
        }
        if (steersTerminal(scalar.value)) {
            std::snprintf(escape, sizeof escape, "\\u{%x}", static_cast<unsigned>(scalar.value));
            out += escape;
        } else {
            out.append(text.substr(i, scalar.length));
        }
        i += scalar.length;
    }
    return out;
}

} // namespace quelso
