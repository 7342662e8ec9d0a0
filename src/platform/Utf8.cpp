#include "platform/Utf8.h"

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

} // namespace quelso
