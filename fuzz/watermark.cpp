// The watermark reader on any raster, and the record it must give back after embedding.
#include <cstdint>
#include <cstdlib>

#include "watermark/Watermark.h"

using namespace quelso;

// Input: one byte for the width (1 to 256), then the RGBA bytes, rows of that width.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::int64_t width = data[0] + 1;
    const std::int64_t height = static_cast<std::int64_t>((size - 1) / 4) / width;
    const Bytes rgba(data + 1, data + 1 + width * height * 4);
    const auto found = Watermark::extract(rgba, width, height);
    if (found && found->payload.empty()) std::abort(); // a record always has a payload

    // Whatever fits is read back exactly, as the type that was written.
    Bytes raster(48 * 48 * 4, 0x80);
    const WatermarkContent content = WatermarkContent::image(Bytes(data, data + size));
    if (Watermark::embed(raster, 48, 48, content)) {
        const auto back = Watermark::extract(raster, 48, 48);
        if (!back || back->type != 1 || back->payload != Bytes(data, data + size)) std::abort();
    }
    return 0;
}
