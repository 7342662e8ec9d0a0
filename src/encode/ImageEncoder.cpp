#include "encode/ImageEncoder.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/Alpha.h"
#include "core/Parallel.h"
#include "encode/HeifExif.h"
#include "encode/JpegIcc.h"
#include "encode/mot_webp.h"
#include "platform/ImageCodec.h"

namespace quelso::ImageEncoder {
namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// The raster must hold width * height pixels, and width, height and a row's byte count must
// each fit the 32-bit integers the libraries take.
bool acceptedSize(const Bytes& rgba, std::int64_t width, std::int64_t height) {
    std::int64_t pixels = 0, bytes = 0;
    return width >= 1 && height >= 1 && width <= kInt32Max / 4 && height <= kInt32Max &&
           !__builtin_mul_overflow(width, height, &pixels) &&
           !__builtin_mul_overflow(pixels, std::int64_t{4}, &bytes) && static_cast<std::uint64_t>(bytes) <= rgba.size();
}

void releaseRaster(void* raster) { Bytes().swap(*static_cast<Bytes*>(raster)); }

// `owned`, when given, is rgba itself: the encoder frees it once libwebp has the pixels or, when
// `kept`, keeps libwebp's planes in its memory.
std::optional<Bytes> encodeWebP(const Bytes& rgba, Bytes* owned, bool kept, int width, int height,
                                const ProcessingSettings& settings) {
    // libwebp's range check lets NaN through; refuse it here.
    if (std::isnan(settings.quality)) return std::nullopt;
    const auto quality = static_cast<float>(settings.quality);
    const int lossless = settings.mustBeLossless() ? 1 : 0;
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    const int ok = owned && kept ? MOT_EncodeRGBAInPlace(owned->data(), width, height, quality, lossless, 100, 4,
                                                         workerCount(), &out, &length)
                                 : MOT_EncodeRGBA(rgba.data(), width, height, width * 4, quality, lossless, 100, 4,
                                                  workerCount(), owned ? releaseRaster : nullptr, owned, &out, &length);
    if (!ok || !out) return std::nullopt;
    Bytes result(out, out + length);
    MOT_Free(out);
    return result;
}

// JPEG and HEIF take 1..100. Qualities outside 0..100 are clamped rather than refused, so a
// stray value still gives a file at the nearest setting.
std::optional<int> codecQuality(double quality) {
    if (std::isnan(quality)) return std::nullopt;
    const double clamped = std::clamp(quality, 0.0, 100.0);
    return std::max(1, static_cast<int>(std::round(clamped)));
}

// The codec receives the colours a premultiplied hand-over leaves: fully transparent pixels
// become transparent black, faint ones lose precision, and JPEG, having no alpha, shows the
// premultiplied colour (the picture over black). The saved file then gets the standard sRGB
// profile and nothing else: JPEG has the profile put back that libvips had to strip, HEIF
// loses the EXIF block libvips adds.
// `owned`, when given, is rgba itself, which may be premultiplied in place.
std::optional<Bytes> encodeWithCodec(const Bytes& rgba, Bytes* owned, int width, int height,
                                     ImageCodec::SaveFormat format, double quality, const ByteTap& pngBytes) {
    const auto q = format == ImageCodec::SaveFormat::png ? std::optional<int>(100) : codecQuality(quality);
    if (!q) return std::nullopt;
    const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    Bytes copy;
    std::optional<Bytes> saved;
    if (format == ImageCodec::SaveFormat::jpeg) {
        // JPEG has no alpha: the colours premultiplied, 3 bytes a pixel, packed in place when
        // the raster is ours.
        if (owned) {
            premultipliedColours(owned->data(), count, owned->data());
        } else {
            copy.resize(count * 3);
            premultipliedColours(rgba.data(), count, copy.data());
        }
        saved = ImageCodec::encode(owned ? owned->data() : copy.data(), 3, width, height, format, *q);
    } else {
        if (!owned) copy.assign(rgba.begin(), rgba.begin() + static_cast<std::ptrdiff_t>(count * 4));
        Bytes& pixels = owned ? *owned : copy;
        premultiplyRoundTrip(pixels);
        saved = ImageCodec::encode(pixels.data(), 4, width, height, format, *q, pngBytes);
    }
    if (!saved) return std::nullopt;
    switch (format) {
    case ImageCodec::SaveFormat::jpeg:
        return JpegIcc::withProfile(*saved, ImageCodec::srgbProfile());
    case ImageCodec::SaveFormat::heif:
        return HeifExif::withoutExifItems(*saved);
    case ImageCodec::SaveFormat::png:
        break;
    }
    return saved;
}

std::optional<Bytes> encodeRaster(const Bytes& rgba, Bytes* owned, bool kept, std::int64_t width, std::int64_t height,
                                  const ProcessingSettings& settings, const ByteTap& pngBytes = {}) {
    if (!acceptedSize(rgba, width, height)) return std::nullopt;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    switch (settings.outputFormat) {
    case OutputFormat::webp:
        return encodeWebP(rgba, owned, kept, w, h, settings);
    case OutputFormat::png:
        return encodeWithCodec(rgba, owned, w, h, ImageCodec::SaveFormat::png, settings.quality, pngBytes);
    case OutputFormat::jpeg:
        return encodeWithCodec(rgba, owned, w, h, ImageCodec::SaveFormat::jpeg, settings.quality, {});
    case OutputFormat::heif:
        return encodeWithCodec(rgba, owned, w, h, ImageCodec::SaveFormat::heif, settings.quality, {});
    }
    return std::nullopt;
}

} // namespace

std::optional<Bytes> encode(const Bytes& rgba, std::int64_t width, std::int64_t height,
                            const ProcessingSettings& settings) {
    return encodeRaster(rgba, nullptr, false, width, height, settings);
}

std::optional<Bytes> encode(Bytes&& rgba, std::int64_t width, std::int64_t height, const ProcessingSettings& settings,
                            const ByteTap& pngBytes) {
    return encodeRaster(rgba, &rgba, false, width, height, settings, pngBytes);
}

std::optional<Bytes> encodeInPlace(Bytes& rgba, std::int64_t width, std::int64_t height,
                                   const ProcessingSettings& settings, const ByteTap& pngBytes) {
    return encodeRaster(rgba, &rgba, true, width, height, settings, pngBytes);
}

} // namespace quelso::ImageEncoder
