// Decoding and saving in one stream of rows, with the caller's pass between the two.
#include <cstring>

#include "core/OpaqueRgb.h"
#include "platform/CodecInput.h"
#include "platform/CodecRaster.h"
#include "platform/CodecSave.h"
#include "platform/ImageCodec.h"

namespace quelso::ImageCodec {
namespace {

struct Stream {
    VipsImage* srgb; // 3 or 4 bands
    const RowPass& pass;
};

// Each worker's view of the decoded rows and its own row of RGBA for the pass to work in.
struct Rows {
    VipsRegion* in;
    Bytes rgba;
};

void* startRows(VipsImage*, void* a, void*) {
    auto* stream = static_cast<Stream*>(a);
    VipsRegion* in = vips_region_new(stream->srgb);
    if (!in) return nullptr;
    return new Rows{in, Bytes(static_cast<std::size_t>(stream->srgb->Xsize) * 4)};
}

int stopRows(void* seq, void*, void*) {
    auto* rows = static_cast<Rows*>(seq);
    g_object_unref(rows->in);
    delete rows;
    return 0;
}

int passRows(VipsRegion* out, void* seq, void* a, void*, gboolean*) {
    auto* rows = static_cast<Rows*>(seq);
    const auto* stream = static_cast<const Stream*>(a);
    const VipsRect& area = out->valid;
    if (vips_region_prepare(rows->in, &area) != 0) return -1;
    const auto width = static_cast<std::size_t>(area.width);
    const std::int64_t pictureWidth = stream->srgb->Xsize;
    for (int y = area.top; y < area.top + area.height; ++y) {
        const auto* in = reinterpret_cast<const std::uint8_t*>(VIPS_REGION_ADDR(rows->in, area.left, y));
        if (stream->srgb->Bands == 3)
            widenToRgba(in, width, rows->rgba.data());
        else
            std::memcpy(rows->rgba.data(), in, width * 4);
        stream->pass(rows->rgba.data(), y * pictureWidth + area.left, area.width,
                     reinterpret_cast<std::uint8_t*>(VIPS_REGION_ADDR(out, area.left, y)));
    }
    return 0;
}

} // namespace

std::optional<Transcoded> transcode(const std::uint8_t* data, std::size_t size, SaveFormat format, int quality,
                                    const RowPass& pass, const ByteTap& onBytes) {
    if (!data || size == 0 || !pass) return std::nullopt;
    Input in(data, size);
    Kind kind{};
    Image image = openWithinLimit(in, kind);
    if (!image || vips_image_get_orientation(image.get()) != 1) return failed<Transcoded>();
    Image srgb = toSrgb(image.get(), profileOf(image.get()));
    if (!renderable(srgb.get())) return failed<Transcoded>();

    // A new image of the saver's bands, made row by row from the decoded ones; it carries none
    // of the source's metadata, like the raster encode starts from.
    const int width = srgb->Xsize, height = srgb->Ysize;
    Image rows(vips_image_new());
    if (!rows) return failed<Transcoded>();
    vips_image_init_fields(rows.get(), width, height, savedBands(format), VIPS_FORMAT_UCHAR, VIPS_CODING_NONE,
                           VIPS_INTERPRETATION_MULTIBAND, 1.0, 1.0);
    Stream stream{srgb.get(), pass};
    if (vips_image_pipelinev(rows.get(), VIPS_DEMAND_STYLE_THINSTRIP, nullptr) != 0 ||
        vips_image_generate(rows.get(), startRows, passRows, stopRows, &stream, nullptr) != 0)
        return failed<Transcoded>();
    // One worker, for the libvips race a damaged file can set off (see render); it also keeps
    // the rows in order, one pass at a time. The saver encodes on a thread of its own.
    vips_image_set_int(rows.get(), VIPS_META_CONCURRENCY, 1);
    std::optional<Bytes> file = save(rows.get(), format, quality, onBytes);
    if (!file) return std::nullopt;
    return Transcoded{std::move(*file), width, height};
}

} // namespace quelso::ImageCodec
