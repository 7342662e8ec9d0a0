// The steps inside ImageProcessor::process: order, conditions and derived parameters of the
// effects, checked against the plain transcriptions run in the same order, and when the logo
// and the visible overlay are drawn.
#include <gtest/gtest.h>

#include "ChainSettings.h"
#include "EffectsReference.h"
#include "TestImages.h"
#include "TestSupport.h"
#include "pipeline/ImageLoader.h"
#include "pipeline/ImageProcessor.h"

namespace quelso {
namespace {

// Opaque, because PNG stores translucent pixels premultiplied, which does not round-trip.
PixelImage randomImage(std::int64_t w, std::int64_t h, std::uint64_t seed) {
    reference::Rng rng{seed};
    PixelImage image{{}, w, h, {}};
    for (std::int64_t i = 0; i < w * h * 4; ++i) image.rgba.push_back(i % 4 == 3 ? 255 : rng.next() >> 56);
    return image;
}

ProcessingSettings everyEffect(double intensity) {
    ProcessingSettings s = quietPng();
    s.warpEnabled = s.waveEnabled = s.twirlEnabled = s.motionBlurEnabled = true;
    s.blurEnabled = s.sharpenEnabled = s.colorReplaceEnabled = s.bcEnabled = s.vignetteEnabled = true;
    s.colorShift = s.noiseEnabled = s.grainEnabled = true;
    s.warpIntensity = s.waveIntensity = s.twirlIntensity = s.motionBlurIntensity = intensity;
    s.blurIntensity = s.sharpenIntensity = s.bcIntensity = s.vignetteIntensity = s.grainIntensity = intensity;
    s.motionBlurAngle = 30;
    s.colorReplaceTolerance = 0.5;
    return s;
}

TEST(EffectsChain, EveryEffectRunsInOrderWithItsDerivedParameterAfterTheMicroCrop) {
    const PixelImage image = randomImage(47, 31, 5);
    // The last asks far beyond the slider: --motion 1e12 would mean 2 * 2.2e13 + 1 samples per pixel.
    for (auto [intensity, crop, motion] :
         {std::tuple{0.3, false, 0.3}, {1.0, false, 1.0}, {0.7, true, 0.7}, {1.0, false, 1e12}}) {
        ProcessingSettings s = everyEffect(intensity);
        s.microGeometry = crop;
        s.motionBlurIntensity = motion;
        Bytes expected = crop ? ImageProcessor::microCrop(image.rgba, 47, 31) : image.rgba;
        reference::Rng rng{77};
        reference::chain(expected, crop ? 45 : 47, crop ? 29 : 31, s, rng);
        EXPECT_EQ(decodedRaster(ImageProcessor::process(image, s, 77)), expected)
            << intensity << " " << crop << " " << motion;
    }
}

TEST(EffectsChain, IntensitiesUnderEachThresholdChangeNothing) {
    const PixelImage image = randomImage(23, 19, 7);
    ProcessingSettings s = everyEffect(0);
    s.colorShift = s.noiseEnabled = s.sharpenEnabled = s.colorReplaceEnabled = s.bcEnabled = false;
    s.warpIntensity = 0.014;      // amplitude 0.049
    s.waveIntensity = 0.008;      // 0.096
    s.twirlIntensity = 0.006;     // 0.0094 rad
    s.motionBlurIntensity = 0.02; // round(0.44) = 0
    s.blurIntensity = 0.16;       // round(0.48) = 0
    s.grainIntensity = 0.02;      // round(0.4) = 0
    EXPECT_EQ(decodedRaster(ImageProcessor::process(image, s, 1)), image.rgba);
}

TEST(EffectsChain, LogoAndOverlayAreDrawnOnlyWhenSwitchedOnWithContent) {
    const PixelImage image{test::solidPixels(200, 100, {90, 90, 90, 255}), 200, 100, {}};
    test::TempDir dir;
    ASSERT_TRUE(test::writeImage(dir.file("logo.png"), test::solidPixels(10, 10, {255, 0, 0, 255}), 10, 10, 4));
    ProcessingSettings logo = quietPng(), overlay = quietPng();
    logo.logoStampEnabled = true;
    logo.logoStampPNG = test::readFile(dir.file("logo.png"));
    logo.logoStampSizePercent = 20;
    overlay.visible = true;
    overlay.watermarkText = "Quelso";
    overlay.visibleOpacity = 0.2;
    auto changed = [&](ProcessingSettings s, auto&& edit) {
        edit(s);
        const auto result = ImageProcessor::process(image, s, 1);
        return result ? result->percentChanged : -1.0;
    };
    // 40 x 40 at x 80..120, 4..44 above the bottom edge: 1600 of 20000 pixels.
    EXPECT_DOUBLE_EQ(changed(logo, [](auto&) {}), 8.0);
    EXPECT_EQ(changed(logo, [](auto& s) { s.logoStampPNG = Bytes{}; }), 0.0);
    EXPECT_EQ(changed(logo, [](auto& s) { s.logoStampEnabled = false; }), 0.0);
    EXPECT_GT(changed(overlay, [](auto&) {}), 5.0);
    EXPECT_EQ(changed(overlay, [](auto& s) { s.visibleOpacity = 0; }), 0.0);
    EXPECT_EQ(changed(overlay, [](auto& s) { s.watermarkText = "  "; }), 0.0);
}

} // namespace
} // namespace quelso
