// Decoding a file only to know that it decodes.
#include "platform/CodecInput.h"
#include "platform/ImageCodec.h"

namespace quelso::ImageCodec {
namespace {

int discardRows(VipsRegion*, VipsRect*, void*) { return 0; }

} // namespace

bool decodesWhole(const std::string& path) {
    Input in(path);
    Kind kind{};
    Image image = openWithinLimit(in, kind);
    if (!image) return false;
    // One worker, for the same libvips race as a full decode (see render).
    vips_image_set_int(image.get(), VIPS_META_CONCURRENCY, 1);
    if (vips_sink_disc(image.get(), discardRows, nullptr) != 0) {
        vips_error_clear();
        return false;
    }
    return true;
}

} // namespace quelso::ImageCodec
