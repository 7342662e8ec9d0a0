// The effects inside ImageProcessor::process: order, conditions and derived parameters of the
// chain, checked against the plain transcriptions run in the same order.
#include <gtest/gtest.h>

#include "EffectsReference.h"
#include "pipeline/ImageLoader.h"
#include "pipeline/ImageProcessor.h"

namespace quelso {
namespace {

// Opaque, because the encoders store translucent pixels premultiplied, which does not round-trip.
PixelImage randomImage(std::int64_t w, std::int64_t h, std::uint64_t seed) {
    reference::Rng rng{seed};
    PixelImage image;
    image.width = w;
    image.height = h;
    for (std::int64_t i = 0; i < w * h * 4; ++i)
        image.rgba.push_back(i % 4 == 3 ? 255 : static_cast<std::uint8_t>(rng.next() >> 56));
    return image;
}

ProcessingSettings losslessOnly() {
    ProcessingSettings s;
    s.outputFormat = OutputFormat::png;
    s.forceUnique = false;
    s.smartRename = false;
    return s;
}

ProcessingSettings everyEffect() {
    ProcessingSettings s = losslessOnly();
    s.warpEnabled = s.waveEnabled = s.twirlEnabled = s.motionBlurEnabled = true;
    s.blurEnabled = s.sharpenEnabled = s.colorReplaceEnabled = s.bcEnabled = s.vignetteEnabled = true;
    s.colorShift = s.noiseEnabled = s.grainEnabled = true;
    s.motionBlurAngle = 30;
    s.colorReplaceTolerance = 0.5;
    return s;
}

Bytes outputRaster(const PixelImage& image, const ProcessingSettings& s, std::uint64_t seed) {
    const auto result = ImageProcessor::process(image, s, seed);
    EXPECT_TRUE(result);
    if (!result) return {};
    const auto decoded = ImageLoader::load(result->data);
    EXPECT_TRUE(decoded);
    return decoded ? decoded->rgba : Bytes{};
}

TEST(EffectsChain, EveryEffectRunsInOrderWithItsDerivedParameter) {
    const PixelImage image = randomImage(47, 31, 5);
    for (double intensity : {0.3, 1.0}) {
        ProcessingSettings s = everyEffect();
        s.warpIntensity = s.waveIntensity = s.twirlIntensity = s.motionBlurIntensity = intensity;
        s.blurIntensity = s.sharpenIntensity = s.bcIntensity = s.vignetteIntensity = s.grainIntensity = intensity;
        Bytes expected = image.rgba;
        reference::Rng rng{77};
        reference::chain(expected, image.width, image.height, s, rng);
        EXPECT_EQ(outputRaster(image, s, 77), expected) << intensity;
    }
}

TEST(EffectsChain, MicroCropRunsBeforeTheDistortions) {
    const PixelImage image = randomImage(9, 8, 6);
    ProcessingSettings s = everyEffect();
    s.microGeometry = true;
    Bytes expected = ImageProcessor::microCrop(image.rgba, 9, 8);
    reference::Rng rng{3};
    reference::chain(expected, 7, 6, s, rng);
    EXPECT_EQ(outputRaster(image, s, 3), expected);
}

TEST(EffectsChain, IntensitiesUnderEachThresholdChangeNothing) {
    const PixelImage image = randomImage(23, 19, 7);
    ProcessingSettings s = everyEffect();
    s.colorShift = s.noiseEnabled = s.sharpenEnabled = s.colorReplaceEnabled = s.bcEnabled = false;
    s.warpIntensity = 0.014;       // amplitude 0.049
    s.waveIntensity = 0.008;       // 0.096
    s.twirlIntensity = 0.006;      // 0.0094 rad
    s.motionBlurIntensity = 0.02;  // round(0.44) = 0
    s.blurIntensity = 0.16;        // round(0.48) = 0
    s.vignetteIntensity = 0.0;
    s.grainIntensity = 0.02;       // round(0.4) = 0
    EXPECT_EQ(outputRaster(image, s, 1), image.rgba);
}

TEST(EffectsChain, MotionBlurLengthStopsAtTheLargestSliderValue) {
    // Far beyond the slider, --motion 1e12 would ask for 2 * 2.2e13 + 1 samples per pixel.
    const PixelImage image = randomImage(15, 12, 8);
    ProcessingSettings full = losslessOnly();
    full.motionBlurEnabled = true;
    full.motionBlurAngle = 10;
    full.motionBlurIntensity = 1.0;
    ProcessingSettings huge = full;
    huge.motionBlurIntensity = 1e12;
    EXPECT_EQ(outputRaster(image, huge, 1), outputRaster(image, full, 1));
}

TEST(EffectsChain, SameSeedSameBytesOtherSeedOtherGrain) {
    const PixelImage image = randomImage(40, 30, 9);
    ProcessingSettings s = losslessOnly();
    s.grainEnabled = true;
    const Bytes first = outputRaster(image, s, 1234);
    EXPECT_EQ(outputRaster(image, s, 1234), first);
    EXPECT_NE(outputRaster(image, s, 1235), first);
}

} // namespace
} // namespace quelso
