// Decoding WebP with libwebp's own decoder, straight into the raster.
#include <webp/decode.h>

#include "core/Parallel.h"
#include "encode/WebPCodec.h"
#include "platform/ImageCodec.h"

namespace quelso::WebPCodec {

std::optional<PixelImage> decode(const Bytes& webp, Bytes reuse) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config) || WebPGetFeatures(webp.data(), webp.size(), &config.input) != VP8_STATUS_OK ||
        config.input.has_animation)
        return std::nullopt;
    PixelImage image;
    image.width = config.input.width;
    image.height = config.input.height;
    if (image.width < 1 || image.height < 1 || image.pixelCount() > ImageCodec::maxPixels()) return std::nullopt;
    image.rgba = std::move(reuse);
    image.rgba.resize(static_cast<std::size_t>(image.pixelCount()) * 4); // a shrink writes nothing
    config.options.use_threads = workerCount() > 1;
    config.output.colorspace = MODE_RGBA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.rgba.data();
    config.output.u.RGBA.stride = static_cast<int>(image.width * 4);
    config.output.u.RGBA.size = image.rgba.size();
    const VP8StatusCode status = WebPDecode(webp.data(), webp.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) return std::nullopt;
    return image;
}

} // namespace quelso::WebPCodec
