#include "pipeline/ImageProcessor.h"

#include <utility>

#include "core/Parallel.h"
#include "core/RasterBuffer.h"
#include "core/SplitMix64.h"
#include "effects/Effects.h"
#include "effects/Strength.h"
#include "encode/ImageEncoder.h"
#include "encode/WebPCodec.h"
#include "pipeline/FinishingPass.h"
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

bool noiseOn(const ProcessingSettings& s) { return s.noiseEnabled && s.noiseStrength >= 1; }

// Grain draws nothing and changes nothing at a strength too small to change a pixel.
bool grainOn(const ProcessingSettings& s) { return s.grainEnabled && strength::grainSpan(s.grainIntensity); }

bool logoOn(const ProcessingSettings& s) { return s.logoStampEnabled && s.logoStampPNG && !s.logoStampPNG->empty(); }

// True when the only steps turned on are the finishing sweep's colour shift and forceChange:
// nothing moves pixels, looks at their neighbours or needs the picture's size before its rows.
bool sweepsAlone(const ProcessingSettings& s) {
    return !s.microGeometry && !s.warpEnabled && !s.waveEnabled && !s.twirlEnabled && !s.motionBlurEnabled &&
           !s.blurEnabled && !s.sharpenEnabled && !s.colorReplaceEnabled && !s.bcEnabled && !s.vignetteEnabled &&
           !noiseOn(s) && !grainOn(s) && !logoOn(s) && s.watermarkContent().isNone();
}

std::optional<effects::ColorShift> colorShiftFor(const ProcessingSettings& settings, SplitMix64& rng) {
    return settings.colorShift ? std::optional<effects::ColorShift>(rng) : std::nullopt;
}

// The chain. `spent`, when given, is the input's own raster, which the caller no longer needs:
// a chain whose first changes are the finishing pass's works on it in place.
std::optional<ProcessResult> run(const PixelImage& image, Bytes* spent, const ProcessingSettings& settings,
                                 std::uint64_t seed, const ByteTap& fileBytes) {
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

    // 6-10 and 12-15 as they will run; each filter leaves the raster alone at a strength too
    // small to change it.
    const auto blurRadius = strength::blurRadius(settings.blurIntensity);
    const bool filters = (settings.blurEnabled && blurRadius) || settings.sharpenEnabled ||
                         settings.colorReplaceEnabled || settings.bcEnabled || settings.vignetteEnabled;
    const WatermarkContent content = settings.watermarkContent();
    const bool noise = noiseOn(settings);
    const bool logo = logoOn(settings);
    const bool overlay = settings.visible && !content.isNone() && settings.visibleOpacity > 0;
    const bool finishing = !noise && !grainOn(settings) && !logo && !overlay && W == image.width && H == image.height;
    const bool inPlace = spent && finishing && !made && !filters;
    if (!made && !inPlace) raster = copyRaster(image.rgba);
    Bytes& work = inPlace ? *spent : raster;

    // 6-10. Tone and texture filters, in place.
    if (settings.blurEnabled && blurRadius) effects::boxBlur(work, W, H, *blurRadius);
    if (settings.sharpenEnabled) effects::sharpen(work, W, H, settings.sharpenIntensity);
    if (settings.colorReplaceEnabled)
        effects::colorReplace(work, settings.colorReplaceFrom, settings.colorReplaceTo, settings.colorReplaceTolerance);
    if (settings.bcEnabled) effects::brightnessContrast(work, settings.bcIntensity);
    if (settings.vignetteEnabled) effects::vignette(work, W, H, settings.vignetteIntensity);

    double percentChanged = 100.0;
    bool watermarkEmbedded = false;
    if (finishing) {
        // 11, 16, 17 and 18 in one sweep: nothing between them draws or paints.
        const std::optional<effects::ColorShift> shift = colorShiftFor(settings, rng);
        const std::optional<Watermark::Embedding> mark =
            settings.invisible && !content.isNone() ? Watermark::Embedding::plan(content, W, H) : std::nullopt;
        watermarkEmbedded = mark.has_value();
        percentChanged = finish(work, inPlace ? nullptr : &image.rgba,
                                {shift ? &*shift : nullptr, mark ? &*mark : nullptr, settings.forceUnique});
    } else {
        // 11. Colour shift.
        if (settings.colorShift) effects::colorShift(work, rng);
        // 12. Noise.
        if (noise) effects::noise(work, settings.noiseStrength, rng);
        // 13. Grain.
        if (settings.grainEnabled) effects::grain(work, settings.grainIntensity, rng);
        // 14. Logo stamp, after the perturbations so the invisible watermark covers it too.
        if (logo)
            stampLogo(work, W, H, *settings.logoStampPNG, settings.logoStampSizePercent, settings.logoStampOpacity,
                      settings.logoStampMarginPercent);
        // 15. Visible overlay.
        if (overlay) Watermark::applyVisibleOverlay(work, W, H, content, settings.visibleOpacity);
        // 16. Invisible watermark.
        if (settings.invisible && !content.isNone()) watermarkEmbedded = Watermark::embed(work, W, H, content);
        // 17-18. Changed pixels against the input.
        if (W == image.width && H == image.height)
            percentChanged = finish(work, &image.rgba, {nullptr, nullptr, settings.forceUnique});
    }

    // 19. Encode. The input worked on in place keeps its memory for the caller to reuse.
    const bool lossless = settings.outputFormat == OutputFormat::png || settings.mustBeLossless();
    std::optional<Bytes> encoded = inPlace ? ImageEncoder::encodeInPlace(work, W, H, settings, fileBytes)
                                           : ImageEncoder::encode(std::move(work), W, H, settings, fileBytes);
    if (!encoded) return std::nullopt;

    // 20. Colour profile, WebP only.
    if (!settings.removeMetadata && settings.outputFormat == OutputFormat::webp && image.iccData) {
        if (auto tagged =
                WebPCodec::addMetadata(*encoded, std::nullopt, WebPCodec::srgbProfileFor(image.iccData), std::nullopt))
            encoded = std::move(tagged);
    }

    return ProcessResult{std::move(*encoded), W, H, percentChanged, lossless, watermarkEmbedded};
}

} // namespace

std::optional<ProcessResult> process(const PixelImage& image, const ProcessingSettings& settings, std::uint64_t seed,
                                     const ByteTap& fileBytes) {
    return run(image, nullptr, settings, seed, fileBytes);
}

std::optional<ProcessResult> processInPlace(PixelImage& image, const ProcessingSettings& settings, std::uint64_t seed,
                                            const ByteTap& fileBytes) {
    return run(image, &image.rgba, settings, seed, fileBytes);
}

std::optional<ProcessResult> transcode(const Bytes& encoded, const ProcessingSettings& settings, std::uint64_t seed,
                                       const ByteTap& fileBytes) {
    if (!sweepsAlone(settings)) return std::nullopt;
    SplitMix64 rng(seed);
    const std::optional<effects::ColorShift> shift = colorShiftFor(settings, rng);
    const FinishingPass pass{shift ? &*shift : nullptr, nullptr, settings.forceUnique};
    std::int64_t changed = 0;
    const auto chain = [&](std::uint8_t* rgba, std::int64_t first, std::int64_t count) {
        changed += finishPixels(rgba, nullptr, first, count, pass);
    };
    auto streamed = ImageEncoder::transcode(encoded, settings, chain, fileBytes);
    if (!streamed) return std::nullopt;
    const bool lossless = settings.outputFormat == OutputFormat::png || settings.mustBeLossless();
    return ProcessResult{std::move(streamed->file),
                         streamed->width,
                         streamed->height,
                         changedShare(changed, streamed->width * streamed->height, pass),
                         lossless,
                         false};
}

} // namespace quelso::ImageProcessor
