#include "TestImages.h"

#include <vips/vips.h>

#include "platform/ImageCodec.h"

namespace quelso::test {

bool writeImage(const std::string& path, const Bytes& pixels, int width, int height, int bands,
                const std::string& options, int pageHeight) {
    if (!ImageCodec::init() || pixels.size() != static_cast<std::size_t>(width) * height * bands) return false;
    VipsImage* image =
        vips_image_new_from_memory(pixels.data(), pixels.size(), width, height, bands, VIPS_FORMAT_UCHAR);
    if (!image) return false;
    image->Type = bands >= 3 ? VIPS_INTERPRETATION_sRGB : VIPS_INTERPRETATION_B_W;
    if (pageHeight > 0) vips_image_set_int(image, VIPS_META_PAGE_HEIGHT, pageHeight);
    const int rc = vips_image_write_to_file(image, (path + options).c_str(), nullptr);
    g_object_unref(image);
    vips_error_clear();
    return rc == 0;
}

} // namespace quelso::test
