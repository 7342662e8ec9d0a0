#include "pipeline/ImageProcessor.h"

#include <atomic>
#include <cstring>
#include <utility>

#include "core/Parallel.h"
#include "core/RasterBuffer.h"
#include "core/SplitMix64.h"
#include "effects/Effects.h"
#include "effects/Strength.h"
#include "encode/ImageEncoder.h"
#include "encode/WebPCodec.h"
#include "pipeline/LogoStamp.h"
#include "watermark/VisibleOverlay.h"
#include "watermark/Watermark.h"

namespace quelso::ImageProcessor {

namespace strength = effects::strength;

Bytes microCrop(const Bytes& rgba, std::int64_t width, std::int64_t height) {
    const std::int64_t w = width - 2, h = height - 2;
    Bytes out = reservedRaster(static_cast<std::size_t>(w * h * 4));
    for (std::int64_t y = 0; y < h; ++y) {
        const auto row = rgba.begin() + ((y + 1) * width + 1) * 4;
        out.insert(out.end(), row, row + w * 4);
    }
    return out;
}

namespace {

// The four bytes of pixel i as one word, to compare whole pixels at once.
std::uint32_t pixelWord(const std::uint8_t* rgba, std::int64_t i) {
    std::uint32_t word;
    std::memcpy(&word, rgba + i * 4, 4);
    return word;
}

} // namespace

void forceChange(Bytes& rgba, const Bytes& original) {
    std::uint8_t* const changed = rgba.data();
    const std::uint8_t* const before = original.data();
    parallelFor(static_cast<std::int64_t>(rgba.size() / 4), kPixelsPerTask, [&](std::int64_t begin, std::int64_t end) {
        // Locals stay in registers; byte stores could alias anything reached by reference.
        std::uint8_t* const px = changed;
        const std::uint8_t* const old = before;
        for (std::int64_t i = begin; i < end; ++i)
            if (pixelWord(px, i) == pixelWord(old, i))
                px[i * 4] ^= 0x02; // bit 0 may carry the watermark; bit 1 does not
    });
}

double changedPercent(const Bytes& a, const Bytes& b) {
    if (a.size() < 4) return 0.0;
    const auto pixels = static_cast<std::int64_t>(a.size() / 4);
    std::vector<std::int64_t> counts(static_cast<std::size_t>(workerCount()) + 1, 0);
    std::atomic<int> slot{0};
    parallelFor(pixels, kPixelsPerTask, [&](std::int64_t begin, std::int64_t end) {
        std::int64_t changed = 0;
        for (std::int64_t i = begin; i < end; ++i) changed += pixelWord(a.data(), i) != pixelWord(b.data(), i);
        counts[static_cast<std::size_t>(slot.fetch_add(1))] = changed;
    });
    std::int64_t total = 0;
    for (std::int64_t c : counts) total += c;
    return static_cast<double>(total) / static_cast<double>(pixels) * 100.0;
}

std::optional<ProcessResult> process(const PixelImage& image, const ProcessingSettings& settings, std::uint64_t seed) {
    std::int64_t W = image.width, H = image.height;
    Bytes raster;
    SplitMix64 rng(seed);

    // The working raster is made by the first step that writes one: the crop, else the first
    // distortion (which reads the input itself), else a copy for the steps that work in place.
    bool made = false;

    // 1. Micro crop: one pixel off every edge.
    if (settings.microGeometry && W >= 5 && H >= 5) {
        raster = microCrop(image.rgba, W, H);
        made = true;
        W -= 2;
        H -= 2;
    }

    // 2-5. Distortions: each reads the raster as it was and writes a new one into `spare`, which
    // then holds the raster before last for the next pass to reuse (fresh pages cost more to
    // fault in than a pass itself); it is released after the last.
    {
        Bytes spare;
        auto distort = [&](auto&& pass) {
            pass(made ? raster : image.rgba, spare);
            raster.swap(spare);
            made = true;
        };
        if (const auto a = strength::warpAmplitude(settings.warpIntensity); settings.warpEnabled && a)
            distort([&](const Bytes& from, Bytes& to) { effects::warp(from, W, H, *a, to); });
        if (const auto a = strength::waveAmplitude(settings.waveIntensity); settings.waveEnabled && a)
            distort([&](const Bytes& from, Bytes& to) { effects::wave(from, W, H, *a, to); });
        if (const auto angle = strength::twirlAngle(settings.twirlIntensity); settings.twirlEnabled && angle)
            distort([&](const Bytes& from, Bytes& to) { effects::twirl(from, W, H, *angle, to); });
        const auto n = strength::motionBlurHalfLength(settings.motionBlurIntensity);
        if (settings.motionBlurEnabled && n)
            distort([&](const Bytes& from, Bytes& to) {
                effects::motionBlur(from, W, H, *n, settings.motionBlurAngle, to);
            });
    }
    if (!made) raster = copyRaster(image.rgba);

    // 6-10. Tone and texture filters, in place; each leaves the raster alone at a strength too
    // small to change it.
    if (const auto r = strength::blurRadius(settings.blurIntensity); settings.blurEnabled && r)
        effects::boxBlur(raster, W, H, *r);
    if (settings.sharpenEnabled) effects::sharpen(raster, W, H, settings.sharpenIntensity);
    if (settings.colorReplaceEnabled)
        effects::colorReplace(raster, settings.colorReplaceFrom, settings.colorReplaceTo,
                              settings.colorReplaceTolerance);
    if (settings.bcEnabled) effects::brightnessContrast(raster, settings.bcIntensity);
    if (settings.vignetteEnabled) effects::vignette(raster, W, H, settings.vignetteIntensity);

    // 11. Colour shift.
    if (settings.colorShift) effects::colorShift(raster, rng);
    // 12. Noise.
    if (settings.noiseEnabled && settings.noiseStrength >= 1) effects::noise(raster, settings.noiseStrength, rng);
    // 13. Grain; no draws at a strength too small to change a pixel.
    if (settings.grainEnabled) effects::grain(raster, settings.grainIntensity, rng);

    // 14. Logo stamp, after the perturbations so the invisible watermark covers it too.
    if (settings.logoStampEnabled && settings.logoStampPNG && !settings.logoStampPNG->empty())
        stampLogo(raster, W, H, *settings.logoStampPNG, settings.logoStampSizePercent, settings.logoStampOpacity,
                  settings.logoStampMarginPercent);

    const WatermarkContent content = settings.watermarkContent();

    // 15. Visible overlay.
    if (settings.visible && !content.isNone() && settings.visibleOpacity > 0)
        Watermark::applyVisibleOverlay(raster, W, H, content, settings.visibleOpacity);

    // 16. Invisible watermark.
    bool watermarkEmbedded = false;
    if (settings.invisible && !content.isNone()) watermarkEmbedded = Watermark::embed(raster, W, H, content);

    // 17-18. Changed pixels against the input. After forceChange every pixel differs, so the
    // count is the whole raster and the share exactly 100.
    double percentChanged = 100.0;
    if (W == image.width && H == image.height) {
        if (settings.forceUnique)
            forceChange(raster, image.rgba);
        else
            percentChanged = changedPercent(raster, image.rgba);
    }

    // 19. Encode.
    const bool lossless = settings.outputFormat == OutputFormat::png || settings.mustBeLossless();
    std::optional<Bytes> encoded = ImageEncoder::encode(std::move(raster), W, H, settings);
    if (!encoded) return std::nullopt;

    // 20. Colour profile, WebP only.
    if (!settings.removeMetadata && settings.outputFormat == OutputFormat::webp && image.iccData) {
        if (auto tagged =
                WebPCodec::addMetadata(*encoded, std::nullopt, WebPCodec::srgbProfileFor(image.iccData), std::nullopt))
            encoded = std::move(tagged);
    }

    return ProcessResult{std::move(*encoded), W, H, percentChanged, lossless, watermarkEmbedded};
}

} // namespace quelso::ImageProcessor
