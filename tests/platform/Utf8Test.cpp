#include <string_view>

#include <gtest/gtest.h>

#include "platform/Utf8.h"

namespace quelso {
namespace {

bool valid(std::string_view s) { return isValidUtf8({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}); }

TEST(Utf8, AcceptsWellFormedAndRefusesTheRest) {
    for (const char* good : {"", "hello", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xD8\xB3\xD9\x84\xD8\xA7\xD9\x85"})
        EXPECT_TRUE(valid(good)) << good;
    // Cut short, overlong, a surrogate, above U+10FFFF, and bytes that never start a character.
    for (const char* bad :
         {"\xC3", "\xE2\x82", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "a\x80"})
        EXPECT_FALSE(valid(bad)) << printable(bad);
}

TEST(Utf8, PrintableEscapesWhatSteersATerminal) {
    EXPECT_EQ(printable("caf\xC3\xA9 \xD8\xB3\xD9\x84\xD8\xA7\xD9\x85 \xF0\x9F\x98\x80 a\\x1b ~"),
              "caf\xC3\xA9 \xD8\xB3\xD9\x84\xD8\xA7\xD9\x85 \xF0\x9F\x98\x80 a\\x1b ~");
    EXPECT_EQ(printable("\x1b]0;title\x07\x1b[31mred\r\nnext\tcol\x7f"),
              "\\x1b]0;title\\x07\\x1b[31mred\\x0d\\x0anext\\x09col\\x7f");
    EXPECT_EQ(printable(std::string_view("a\0b", 3)), "a\\x00b");
    // C1 controls (U+0080..U+009F, CSI is U+009B), line and paragraph separators, and the
    // bidirectional embeddings, overrides, isolates and marks.
    EXPECT_EQ(printable("\xC2\x80\xC2\x9B"
                        "2J\xC2\x9F\xC2\xA0"),
              "\\u{80}\\u{9b}2J\\u{9f}\xC2\xA0");
    EXPECT_EQ(printable("\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\xAE"
                        "evil\xE2\x81\xA6\xE2\x81\xA9\xE2\x80\x8F\xD8\x9C"),
              "\\u{2028}\\u{2029}\\u{202e}evil\\u{2066}\\u{2069}\\u{200f}\\u{61c}");
    // Bytes that are not UTF-8 are shown one by one; what follows them is read afresh.
    EXPECT_EQ(printable("\xFF\xC3(\xE2\x82\xC0\xAF\xED\xA0\x80ok"), "\\xff\\xc3(\\xe2\\x82\\xc0\\xaf\\xed\\xa0\\x80ok");
}

} // namespace
} // namespace quelso
