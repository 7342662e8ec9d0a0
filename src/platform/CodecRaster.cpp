#include "platform/CodecRaster.h"

#include <cstring>

#include "core/OpaqueRgb.h"
#include "core/RasterBuffer.h"
#include "platform/CodecInput.h"
#include "platform/ImageCodec.h"

namespace quelso::ImageCodec {
namespace {

Image alphaToByte(VipsImage* alpha) {
    if (alpha->BandFmt == VIPS_FORMAT_UCHAR) {
        g_object_ref(alpha);
        return Image(alpha);
    }
    if (alpha->BandFmt == VIPS_FORMAT_USHORT) {
        // a >> 8 maps every 257 * k back to k exactly.
        Image shifted = derive([&](VipsImage** out) { return vips_rshift_const1(alpha, out, 8, nullptr); });
        if (!shifted) return {};
        return derive([&](VipsImage** out) { return vips_cast_uchar(shifted.get(), out, nullptr); });
    }
    return derive([&](VipsImage** out) { return vips_cast_uchar(alpha, out, nullptr); });
}

// Receives the rows in order, as full-width strips from the top, and appends them to the
// raster, opaque RGB widened to RGBA on the way. The raster's memory is taken when the first
// rows have decoded, so a header that promises a huge picture over a few bytes of data fails
// before that cost; it is the memory handed in for reuse when that holds enough, else fresh.
struct RowSink {
    Bytes raster;
    int bands;
    std::size_t width;
    std::size_t size;
    Bytes row; // one widened row
    bool started = false;
};

int copyRows(VipsRegion* region, VipsRect* area, void* user) {
    auto* sink = static_cast<RowSink*>(user);
    if (!sink->started) {
        sink->started = true;
        sink->raster.clear();
        if (sink->raster.capacity() < sink->size) sink->raster = reservedRaster(sink->size);
        sink->row.resize(sink->width * 4);
    }
    if (area->left != 0 || static_cast<std::size_t>(area->width) != sink->width ||
        static_cast<std::size_t>(area->top) * sink->width * 4 != sink->raster.size())
        return -1;
    for (int y = area->top; y < area->top + area->height; ++y) {
        const auto* in = reinterpret_cast<const std::uint8_t*>(VIPS_REGION_ADDR(region, 0, y));
        if (sink->bands == 3) {
            widenToRgba(in, sink->width, sink->row.data());
            in = sink->row.data();
        }
        sink->raster.insert(sink->raster.end(), in, in + sink->width * 4);
    }
    return 0;
}

} // namespace

bool renderable(const VipsImage* srgb) {
    return srgb && (srgb->Bands == 3 || srgb->Bands == 4) && srgb->BandFmt == VIPS_FORMAT_UCHAR &&
           withinPixelLimit(srgb);
}

std::optional<Bytes> profileOf(VipsImage* image) {
    if (!vips_image_get_typeof(image, VIPS_META_ICC_NAME)) return std::nullopt;
    const void* data = nullptr;
    std::size_t length = 0;
    if (vips_image_get_blob(image, VIPS_META_ICC_NAME, &data, &length) != 0 || length == 0) {
        vips_error_clear();
        return std::nullopt;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return Bytes(bytes, bytes + length);
}

Image toSrgb(VipsImage* in, const std::optional<Bytes>& icc) {
    const VipsInterpretation space = vips_image_guess_interpretation(in);
    int colourBands = 3;
    if (space == VIPS_INTERPRETATION_CMYK)
        colourBands = 4;
    else if (space == VIPS_INTERPRETATION_B_W || space == VIPS_INTERPRETATION_GREY16 || in->Bands < 3)
        colourBands = 1;
    if (in->Bands < colourBands) return {};
    const bool hasAlpha = in->Bands > colourBands;

    Image colour = derive([&](VipsImage** out) { return vips_extract_band(in, out, 0, "n", colourBands, nullptr); });
    if (!colour) return {};
    Image srgb;
    if (icc && !isSrgbProfile(icc->data(), icc->size()))
        srgb = derive([&](VipsImage** out) {
            return vips_icc_transform(colour.get(), out, "srgb", "embedded", TRUE, "intent", VIPS_INTENT_RELATIVE,
                                      "depth", 8, nullptr);
        });
    if (!srgb) {
        const VipsInterpretation from =
            colourBands == 1
                ? (colour->BandFmt == VIPS_FORMAT_USHORT ? VIPS_INTERPRETATION_GREY16 : VIPS_INTERPRETATION_B_W)
                : space;
        srgb = derive([&](VipsImage** out) {
            return vips_colourspace(colour.get(), out, VIPS_INTERPRETATION_sRGB, "source_space", from, nullptr);
        });
    }
    if (srgb && srgb->BandFmt != VIPS_FORMAT_UCHAR)
        srgb = derive([&](VipsImage** out) { return vips_cast_uchar(srgb.get(), out, nullptr); });
    if (!srgb || srgb->Bands != 3) return {};

    if (!hasAlpha) return srgb;
    Image alphaBand = derive([&](VipsImage** out) { return vips_extract_band(in, out, colourBands, nullptr); });
    Image alpha = alphaBand ? alphaToByte(alphaBand.get()) : Image();
    if (!alpha) return {};
    return derive([&](VipsImage** out) { return vips_bandjoin2(srgb.get(), alpha.get(), out, nullptr); });
}

std::optional<PixelImage> render(VipsImage* srgb, Bytes reuse) {
    if (!renderable(srgb)) return failed<PixelImage>();
    PixelImage result;
    result.width = srgb->Xsize;
    result.height = srgb->Ysize;
    RowSink sink{std::move(reuse),
                 srgb->Bands,
                 static_cast<std::size_t>(result.width),
                 static_cast<std::size_t>(result.width * result.height * 4),
                 {}};
    // One worker: when a damaged file fails a tile while a second worker is taking the next
    // one, this libvips (8.14) stops its pool outside the pool's lock and then aborts the
    // whole process on an assertion. The loader reads in order either way, so little is lost.
    vips_image_set_int(srgb, VIPS_META_CONCURRENCY, 1);
    if (vips_sink_disc(srgb, copyRows, &sink) != 0 || sink.raster.size() != sink.size) return failed<PixelImage>();
    result.rgba = std::move(sink.raster);
    return result;
}

} // namespace quelso::ImageCodec
