#include "app/WatermarkCheck.h"

#include <algorithm>

namespace quelso::CLI {

std::optional<Watermark::Extracted> recordReadBack(const PixelImage& decoded, const WatermarkContent& content) {
    const auto expected = Watermark::buildRecord(content);
    auto found = Watermark::extract(decoded.rgba, decoded.width, decoded.height);
    // The payload follows the 9-byte header of the record.
    if (!expected || !found || found->type != expected->type ||
        !std::equal(found->payload.begin(), found->payload.end(), expected->bytes.begin() + 9, expected->bytes.end()))
        return std::nullopt;
    return found;
}

} // namespace quelso::CLI
