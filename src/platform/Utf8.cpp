#include "platform/Utf8.h"

#include <cstdio>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace quelso {

namespace {

// Calls visit(scalar, start, end) for each scalar of the text in order; a malformed
// sequence comes as one negative scalar.
template <typename Visit>
void forEachScalar(std::span<const std::uint8_t> bytes, Visit&& visit) {
    const std::uint8_t* data = bytes.data();
    const std::size_t length = bytes.size();
    for (std::size_t i = 0; i < length;) {
        const std::size_t start = i;
        UChar32 c;
        U8_NEXT(data, i, length, c);
        if (!visit(c, start, i)) return;
    }
}

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Code points that move the cursor, end a line or reorder what follows on it.
bool steersTerminal(UChar32 c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

bool isValidUtf8(std::span<const std::uint8_t> bytes) {
    bool valid = true;
    forEachScalar(bytes, [&](UChar32 c, std::size_t, std::size_t) { return valid = c >= 0; });
    return valid;
}

std::string utf8OrFallback(std::span<const std::uint8_t> bytes, const char* fallback) {
    return isValidUtf8(bytes) ? std::string(bytes.begin(), bytes.end()) : std::string(fallback);
}

std::string_view trimmedWhitespace(std::string_view text) {
    // One pass, remembering where the first scalar that is not white space starts and where
    // the last one ends.
    std::size_t begin = text.size(), end = 0;
    forEachScalar(bytesOf(text), [&](UChar32 c, std::size_t start, std::size_t next) {
        if (c < 0 || !u_isUWhiteSpace(c)) {
            if (begin == text.size()) begin = start;
            end = next;
        }
        return true;
    });
    return begin < end ? text.substr(begin, end - begin) : std::string_view();
}

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    char escape[16];
    forEachScalar(bytesOf(text), [&](UChar32 c, std::size_t start, std::size_t next) {
        if (c < 0 || (c < 0x80 && steersTerminal(c))) {
            // Bytes that are not UTF-8 are shown one by one; ICU resumes after the malformed part.
            for (std::size_t i = start; i < next; ++i) {
                std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(text[i]));
                out += escape;
            }
        } else if (steersTerminal(c)) {
            std::snprintf(escape, sizeof escape, "\\u{%x}", static_cast<unsigned>(c));
            out += escape;
        } else {
            out.append(text.substr(start, next - start));
        }
        return true;
    });
    return out;
}

} // namespace quelso
