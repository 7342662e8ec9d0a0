#include <cmath>

#include <gtest/gtest.h>

#include "settings/ProcessingSettings.h"

namespace quelso {
namespace {

TEST(Settings, WatermarkTextIsTrimmedByUnicodeWhiteSpace) {
    ProcessingSettings s;
    s.watermarkText = " \n\t \r\n";
    EXPECT_TRUE(s.watermarkContent().isNone());
    s.watermarkText = "  Hi \n";
    ASSERT_TRUE(s.watermarkContent().asText());
    EXPECT_EQ(*s.watermarkContent().asText(), "Hi");
    // No-break space, ideographic space and line separator count as white space too.
    s.watermarkText = "\u00A0\u3000caf\u00E9 au lait\u2028";
    EXPECT_EQ(*s.watermarkContent().asText(), "caf\u00E9 au lait");
    s.watermarkText = "\u00A0\u2029";
    EXPECT_TRUE(s.watermarkContent().isNone());
}

TEST(Settings, ImageWinsOverTextUnlessEmpty) {
    ProcessingSettings s;
    EXPECT_TRUE(s.watermarkContent().isNone());
    s.watermarkText = "Hi";
    s.watermarkImagePNG = Bytes{};
    ASSERT_TRUE(s.watermarkContent().asText());
    s.watermarkImagePNG = Bytes{1, 2, 3};
    ASSERT_TRUE(s.watermarkContent().asImage());
    EXPECT_EQ(*s.watermarkContent().asImage(), (Bytes{1, 2, 3}));
}

// Lossless is forced only for WebP carrying an invisible watermark; the defaults carry none.
TEST(Settings, LosslessOnlyForWebPWithAnInvisibleWatermark) {
    ProcessingSettings s;
    s.invisible = true;
    EXPECT_FALSE(s.mustBeLossless());
    s.watermarkText = "Hi";
    EXPECT_TRUE(s.mustBeLossless());
    for (OutputFormat f : {OutputFormat::png, OutputFormat::jpeg, OutputFormat::heif}) {
        s.outputFormat = f;
        EXPECT_FALSE(s.mustBeLossless());
    }
    s.outputFormat = OutputFormat::webp;
    s.invisible = false;
    EXPECT_FALSE(s.mustBeLossless());
}

TEST(Settings, RawValuesAreCaseSensitive) {
    EXPECT_FALSE(OutputFormats::fromRawValue("WEBP"));
    EXPECT_EQ(OutputFormats::fromRawValue("webp"), OutputFormat::webp);
    EXPECT_FALSE(RenameProviders::fromRawValue("openai"));
    EXPECT_EQ(RenameProviders::fromRawValue("openAI"), RenameProvider::openAI);
    EXPECT_EQ(OutputFormats::fileExtension(OutputFormat::jpeg), "jpg");
    EXPECT_EQ(OutputFormats::fileExtension(OutputFormat::heif), "heic");
    for (OutputFormat f : {OutputFormat::webp, OutputFormat::png, OutputFormat::jpeg, OutputFormat::heif})
        EXPECT_EQ(OutputFormats::isLossy(f), f == OutputFormat::jpeg || f == OutputFormat::heif);
}

TEST(Settings, EqualityComparesEveryField) {
    ProcessingSettings a, b;
    EXPECT_EQ(a, b);
    b.logoStampName = "";
    EXPECT_NE(a, b);
    b = a;
    b.quality = std::nan("");
    a.quality = std::nan("");
    EXPECT_NE(a, b) << "NaN never equals itself";
}

} // namespace
} // namespace quelso
