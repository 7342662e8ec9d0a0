#include "encode/ImageEncoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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

// The saver's file as it is kept: JPEG gets the profile back that libvips had to strip, HEIF
// loses the EXIF block libvips adds.
std::optional<Bytes> finishedFile(Bytes saved, ImageCodec::SaveFormat format) {
    switch (format) {
    case ImageCodec::SaveFormat::jpeg:
        return JpegIcc::withProfile(saved, ImageCodec::srgbProfile());
    case ImageCodec::SaveFormat::heif:
        return HeifExif::withoutExifItems(saved);
    case ImageCodec::SaveFormat::png:
        break;
    }
    return saved;
}

// The bytes a tap on the saver hands on: the kept file's, so JPEG's with the profile spliced in;
// HEIF's change after the saver and are not handed on.
ByteTap savedBytes(ImageCodec::SaveFormat format, const ByteTap& fileBytes) {
    switch (format) {
    case ImageCodec::SaveFormat::jpeg:
        return JpegIcc::withProfileAlong(ImageCodec::srgbProfile(), fileBytes);
    case ImageCodec::SaveFormat::png:
        return fileBytes;
    case ImageCodec::SaveFormat::heif:
        break;
    }
    return {};
}

std::optional<int> qualityFor(ImageCodec::SaveFormat format, double quality) {
    return format == ImageCodec::SaveFormat::png ? std::optional<int>(100) : codecQuality(quality);
}

// The codec receives the colours a premultiplied hand-over leaves: fully transparent pixels
// become transparent black, faint ones lose precision, and JPEG, having no alpha, shows the
// premultiplied colour (the picture over black).
// `owned`, when given, is rgba itself, which may be premultiplied in place.
std::optional<Bytes> encodeWithCodec(const Bytes& rgba, Bytes* owned, int width, int height,
                                     ImageCodec::SaveFormat format, double quality, const ByteTap& fileBytes) {
    const auto q = qualityFor(format, quality);
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
        saved = ImageCodec::encode(owned ? owned->data() : copy.data(), 3, width, height, format, *q,
                                   savedBytes(format, fileBytes));
    } else {
        if (!owned) copy.assign(rgba.begin(), rgba.begin() + static_cast<std::ptrdiff_t>(count * 4));
        Bytes& pixels = owned ? *owned : copy;
        premultiplyRoundTrip(pixels);
        saved = ImageCodec::encode(pixels.data(), 4, width, height, format, *q, savedBytes(format, fileBytes));
    }
    if (!saved) return std::nullopt;
    return finishedFile(std::move(*saved), format);
}

std::optional<Bytes> encodeRaster(const Bytes& rgba, Bytes* owned, bool kept, std::int64_t width, std::int64_t height,
                                  const ProcessingSettings& settings, const ByteTap& fileBytes = {}) {
    if (!acceptedSize(rgba, width, height)) return std::nullopt;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    switch (settings.outputFormat) {
    case OutputFormat::webp:
        return encodeWebP(rgba, owned, kept, w, h, settings);
    case OutputFormat::png:
        return encodeWithCodec(rgba, owned, w, h, ImageCodec::SaveFormat::png, settings.quality, fileBytes);
    case OutputFormat::jpeg:
        return encodeWithCodec(rgba, owned, w, h, ImageCodec::SaveFormat::jpeg, settings.quality, fileBytes);
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
                            const ByteTap& fileBytes) {
    return encodeRaster(rgba, &rgba, false, width, height, settings, fileBytes);
}

std::optional<Bytes> encodeInPlace(Bytes& rgba, std::int64_t width, std::int64_t height,
                                   const ProcessingSettings& settings, const ByteTap& fileBytes) {
    return encodeRaster(rgba, &rgba, true, width, height, settings, fileBytes);
}

std::optional<ImageCodec::Transcoded> transcode(const Bytes& encoded, const ProcessingSettings& settings,
                                                const PixelPass& chain, const ByteTap& fileBytes) {
    if (settings.outputFormat != OutputFormat::png && settings.outputFormat != OutputFormat::jpeg) return std::nullopt;
    const auto format =
        settings.outputFormat == OutputFormat::png ? ImageCodec::SaveFormat::png : ImageCodec::SaveFormat::jpeg;
    const auto q = qualityFor(format, settings.quality);
    if (!q) return std::nullopt;
    // Each row as encodeWithCodec hands the whole raster over.
    const ImageCodec::RowPass rows = [&](std::uint8_t* rgba, std::int64_t first, std::int64_t count,
                                         std::uint8_t* out) {
        chain(rgba, first, count);
        const auto pixels = static_cast<std::size_t>(count);
        if (format == ImageCodec::SaveFormat::jpeg) {
            premultipliedColours(rgba, pixels, out);
        } else {
            premultiplyRoundTrip(rgba, pixels);
            std::memcpy(out, rgba, pixels * 4);
        }
    };
    auto streamed =
        ImageCodec::transcode(encoded.data(), encoded.size(), format, *q, rows, savedBytes(format, fileBytes));
    if (!streamed) return std::nullopt;
    auto file = finishedFile(std::move(streamed->file), format);
    if (!file) return std::nullopt;
    streamed->file = std::move(*file);
    return streamed;
}

} // namespace quelso::ImageEncoder
