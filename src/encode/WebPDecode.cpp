// Decoding WebP with libwebp's own decoder, straight into the caller's memory.
#include <webp/decode.h>

#include <algorithm>

#include "core/Parallel.h"
#include "encode/WebPCodec.h"
#include "platform/ImageCodec.h"

namespace quelso::WebPCodec {
namespace {

// A still picture within the codec's pixel limit, its features read into config.
bool readFeatures(const Bytes& webp, WebPDecoderConfig& config) {
    if (!WebPInitDecoderConfig(&config) || WebPGetFeatures(webp.data(), webp.size(), &config.input) != VP8_STATUS_OK ||
        config.input.has_animation || config.input.width < 1 || config.input.height < 1)
        return false;
    config.options.use_threads = workerCount() > 1;
    return std::int64_t{config.input.width} * config.input.height <= ImageCodec::maxPixels();
}

bool run(const Bytes& webp, WebPDecoderConfig& config) {
    config.output.is_external_memory = 1;
    const VP8StatusCode status = WebPDecode(webp.data(), webp.size(), &config);
    WebPFreeDecBuffer(&config.output);
    return status == VP8_STATUS_OK;
}

} // namespace

std::optional<PixelImage> decode(const Bytes& webp, Bytes reuse) {
    WebPDecoderConfig config;
    if (!readFeatures(webp, config)) return std::nullopt;
    PixelImage image;
    image.width = config.input.width;
    image.height = config.input.height;
    image.rgba = std::move(reuse);
    image.rgba.resize(static_cast<std::size_t>(image.pixelCount()) * 4); // a shrink writes nothing
    config.output.colorspace = MODE_RGBA;
    config.output.u.RGBA.rgba = image.rgba.data();
    config.output.u.RGBA.stride = static_cast<int>(image.width * 4);
    config.output.u.RGBA.size = image.rgba.size();
    if (!run(webp, config)) return std::nullopt;
    return image;
}

std::optional<Size> decodedSize(const Bytes& webp, Bytes scratch) {
    WebPDecoderConfig config;
    if (!readFeatures(webp, config)) return std::nullopt;
    const Size size{config.input.width, config.input.height};
    // Lossless pictures are RGBA in the decoder itself.
    if (config.input.format != 1) {
        if (!decode(webp, std::move(scratch))) return std::nullopt;
        return size;
    }
    const auto w = static_cast<std::size_t>(size.width), h = static_cast<std::size_t>(size.height);
    const std::size_t halfW = (w + 1) / 2, halfH = (h + 1) / 2;
    const std::size_t luma = w * h, chroma = halfW * halfH;
    if (scratch.size() < 2 * luma + 2 * chroma) scratch.resize(2 * luma + 2 * chroma);
    WebPYUVABuffer& planes = config.output.u.YUVA;
    config.output.colorspace = MODE_YUVA; // alpha too, so that it is decoded as well
    planes.y = scratch.data();
    planes.u = planes.y + luma;
    planes.v = planes.u + chroma;
    planes.a = planes.v + chroma;
    planes.y_stride = planes.a_stride = static_cast<int>(w);
    planes.u_stride = planes.v_stride = static_cast<int>(halfW);
    planes.y_size = planes.a_size = luma;
    planes.u_size = planes.v_size = chroma;
    if (!run(webp, config)) return std::nullopt;
    return size;
}

} // namespace quelso::WebPCodec
