#include <gtest/gtest.h>

#include "model/ThemeBytes.h"

namespace quelso {

TEST(ThemeBytes, StepsOf1024RoundedAfterTheUnitIsChosen) {
    const std::pair<qint64, const char*> cases[] = {
        {0, "0 B"},
        {-5, "-5 B"},
        {500, "500 B"},
        {1023, "1023 B"},
        {1024, "1 KB"},
        {1535, "1 KB"},
        {1536, "2 KB"}, // 1.5 rounds away from zero
        {1048575, "1024 KB"},
        {1048576, "1 MB"},
        {3 * 1048576 / 2, "2 MB"},
        {1073741823, "1024 MB"},
        {1073741824, "1 GB"},
        {5 * 1099511627776LL, "5120 GB"}, // no step past GB
        {INT64_MAX, "8589934592 GB"},
    };
    for (const auto& [n, text] : cases) EXPECT_EQ(Theme::bytes(n).toStdString(), text) << n;
}

} // namespace quelso
