#include <string_view>

#include <gtest/gtest.h>

#include "platform/Utf8.h"

namespace quelso {
namespace {

bool valid(std::string_view s) { return isValidUtf8({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}); }

TEST(Utf8, AcceptsWellFormedAndRefusesTheRest) {
    EXPECT_TRUE(valid(""));
    EXPECT_TRUE(valid("hello"));
    EXPECT_TRUE(valid("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xD8\xB3\xD9\x84\xD8\xA7\xD9\x85"));
    EXPECT_FALSE(valid("\xC3"));             // cut short
    EXPECT_FALSE(valid("\xC0\xAF"));         // overlong
    EXPECT_FALSE(valid("\xE0\x80\xAF"));     // overlong
    EXPECT_FALSE(valid("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(valid("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(valid("\xFF"));
    EXPECT_FALSE(valid("a\x80"));
    EXPECT_FALSE(valid("\xE2\x82"));
}

} // namespace
} // namespace quelso
