// Output names: from content or the source name, in the chosen folder or beside the source.
#include <gtest/gtest.h>

#include "pipeline/OutputName.h"

namespace quelso {
namespace {

TEST(OutputName, ContentNamesPlainNamesAndFolders) {
    EXPECT_EQ(OutputName::base("/p/photo.png", std::nullopt), "photo-unique");
    EXPECT_EQ(OutputName::base("/p/archive.tar.gz", std::nullopt), "archive.tar-unique");
    EXPECT_EQ(OutputName::base("/p/photo.png", std::string("cat-sofa")), "cat-sofa");
    EXPECT_EQ(OutputName::base("/p/photo.png", std::string()), "image");
    EXPECT_EQ(OutputName::folder("/p/photo.png", std::nullopt), "/p");
    EXPECT_EQ(OutputName::folder("/p/photo.png", std::string("/out")), "/out");
}

} // namespace
} // namespace quelso
