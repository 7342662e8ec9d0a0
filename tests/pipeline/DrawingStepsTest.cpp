#include <gtest/gtest.h>

#include "TestSupport.h"
#include "pipeline/ImageLoader.h"
#include "pipeline/ImageProcessor.h"

namespace quelso {
namespace {

// The chain draws the logo and the visible overlay exactly when their settings ask for it.
TEST(DrawingSteps, LogoAndOverlayRunOnlyWhenSwitchedOn) {
    PixelImage image;
    image.width = 200;
    image.height = 100;
    image.rgba = test::solidPixels(200, 100, {90, 90, 90, 255});
    test::TempDir dir;
    ASSERT_TRUE(test::writeImage(dir.file("logo.png"), test::solidPixels(10, 10, {255, 0, 0, 255}),
                                 10, 10, 4));
    const Bytes logo = test::readFile(dir.file("logo.png"));

    ProcessingSettings base;
    base.outputFormat = OutputFormat::png;
    base.forceUnique = false;
    auto changed = [&](const ProcessingSettings& s) {
        const auto result = ImageProcessor::process(image, s, 1);
        EXPECT_TRUE(result);
        return result ? result->percentChanged : -1.0;
    };

    ProcessingSettings stamped = base;
    stamped.logoStampEnabled = true;
    stamped.logoStampPNG = logo;
    stamped.logoStampSizePercent = 20;
    const auto result = ImageProcessor::process(image, stamped, 1);
    ASSERT_TRUE(result);
    // 40 x 40 at x 80..120, 4..44 above the bottom edge: 1600 of 20000 pixels.
    EXPECT_DOUBLE_EQ(result->percentChanged, 8.0);
    const auto decoded = ImageLoader::load(result->data);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->rgba[std::size_t((75 * 200 + 100) * 4)], 255);

    ProcessingSettings emptyLogo = stamped;
    emptyLogo.logoStampPNG = Bytes{};
    EXPECT_EQ(changed(emptyLogo), 0.0);
    ProcessingSettings logoOff = stamped;
    logoOff.logoStampEnabled = false;
    EXPECT_EQ(changed(logoOff), 0.0);

    ProcessingSettings overlay = base;
    overlay.visible = true;
    overlay.watermarkText = "Quelso";
    overlay.visibleOpacity = 0.2;
    EXPECT_GT(changed(overlay), 5.0);
    overlay.visibleOpacity = 0;
    EXPECT_EQ(changed(overlay), 0.0);
    overlay.visibleOpacity = 0.2;
    overlay.watermarkText = "  ";
    EXPECT_EQ(changed(overlay), 0.0);
}

} // namespace
} // namespace quelso
