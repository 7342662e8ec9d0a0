#include <cmath>

#include <gtest/gtest.h>

#include "settings/ProcessingSettings.h"

namespace quelso {
namespace {

// The watermark's text, or absent when it carries none.
std::optional<std::string> text(const ProcessingSettings& s) {
    const WatermarkContent content = s.watermarkContent();
    return content.asText() ? std::optional(*content.asText()) : std::nullopt;
}

// An image wins over text; text counts once trimmed of Unicode white space.
TEST(Settings, WatermarkContentIsTheImageOrTheTrimmedText) {
    ProcessingSettings s;
    EXPECT_TRUE(s.watermarkContent().isNone());
    for (const auto& [raw, trimmed] : std::vector<std::pair<std::string, std::string>>{
             {" \n\t \r\n", ""},
             {"  Hi \n", "Hi"},
             // No-break space, ideographic space and the line and paragraph separators too.
             {"\u00A0\u3000caf\u00E9 au lait\u2028", "caf\u00E9 au lait"},
             {"\u00A0\u2029", ""}}) {
        s.watermarkText = raw;
        EXPECT_EQ(text(s), trimmed.empty() ? std::nullopt : std::optional(trimmed)) << raw;
        EXPECT_EQ(s.watermarkContent().isNone(), trimmed.empty()) << raw;
    }
    s.watermarkImagePNG = Bytes{};
    s.watermarkText = "Hi";
    EXPECT_EQ(text(s), "Hi") << "an empty image is no image";
    s.watermarkImagePNG = Bytes{1, 2, 3};
    ASSERT_TRUE(s.watermarkContent().asImage());
    EXPECT_EQ(*s.watermarkContent().asImage(), (Bytes{1, 2, 3}));
}

// Lossless is forced only for WebP carrying an invisible watermark.
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

TEST(Settings, RawValuesRoundTripAndAreCaseSensitive) {
    for (OutputFormat f : OutputFormats::allCases)
        EXPECT_EQ(OutputFormats::fromRawValue(OutputFormats::rawValue(f)), f);
    EXPECT_FALSE(OutputFormats::fromRawValue("WEBP"));
    EXPECT_FALSE(RenameProviders::fromRawValue("openai"));
    EXPECT_EQ(RenameProviders::fromRawValue("openAI"), RenameProvider::openAI);
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
