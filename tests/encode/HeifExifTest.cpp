// HEIF files without the EXIF block libvips adds.
#include <gtest/gtest.h>

#include "TestImages.h"
#include "TestSupport.h"
#include "encode/HeifExif.h"
#include "platform/ImageCodec.h"

namespace quelso {
namespace {

using test::TempDir;

TEST(HeifExif, ExifItemsLeaveHeifFilesWithoutChangingThePicture) {
    TempDir dir;
    ASSERT_TRUE(test::writeImage(dir.file("exif.heic"), test::randomPixels(48, 32, 4, 5), 48, 32, 4, "[Q=70]"));
    const Bytes original = test::readFile(dir.path() / "exif.heic");
    const auto edited = HeifExif::withoutExifItems(original);
    ASSERT_TRUE(edited);
    test::writeFile(dir.path() / "edited.heic", *edited);
    const auto tags = [&](const char* name) { return test::run({"exiftool", "-a", "-G1", dir.file(name)}).out; };
    ASSERT_NE(tags("exif.heic").find("[IFD0]"), std::string::npos);
    const std::string left = tags("edited.heic");
    for (const char* unwanted : {"[IFD0]", "Warning", "Error"})
        EXPECT_EQ(left.find(unwanted), std::string::npos) << left;

    const auto before = ImageCodec::decodeBytes(original.data(), original.size());
    const auto after = ImageCodec::decodeBytes(edited->data(), edited->size());
    ASSERT_TRUE(before && after);
    EXPECT_EQ(after->rgba, before->rgba);
    EXPECT_EQ(HeifExif::withoutExifItems(*edited), *edited); // nothing left to remove
    const std::string notHeif = "not a heif file";
    EXPECT_FALSE(HeifExif::withoutExifItems(Bytes(notHeif.begin(), notHeif.end())));
    EXPECT_FALSE(HeifExif::withoutExifItems(Bytes(original.begin(), original.begin() + 300)));
}

} // namespace
} // namespace quelso
