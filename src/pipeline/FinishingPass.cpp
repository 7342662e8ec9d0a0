#include "pipeline/FinishingPass.h"

#include <algorithm>
#include <cstring>

#include "core/Parallel.h"

namespace quelso::ImageProcessor {
namespace {

// The four bytes of pixel i as one word, to compare whole pixels at once.
std::uint32_t pixelWord(const std::uint8_t* rgba, std::int64_t i) {
    std::uint32_t word;
    std::memcpy(&word, rgba + i * 4, 4);
    return word;
}

} // namespace

double finish(Bytes& raster, const Bytes* original, const FinishingPass& pass) {
    constexpr std::int64_t kBlock = 1024;
    const auto pixels = static_cast<std::int64_t>(raster.size() / 4);
    if (pixels == 0) return 0.0;
    std::uint8_t* const data = raster.data();
    const std::uint8_t* const before = original ? original->data() : nullptr;
    const std::int64_t changed = parallelSum(pixels, kPixelsPerTask, [&](std::int64_t begin, std::int64_t end) {
        std::uint8_t kept[kBlock * 4]; // a block's pixels as they were, when nothing else holds them
        std::int64_t count = 0;
        for (std::int64_t block = begin; block < end; block += kBlock) {
            const std::int64_t n = std::min(kBlock, end - block);
            std::uint8_t* const px = data + block * 4;
            const std::uint8_t* const old = before ? before + block * 4 : kept;
            if (!before) std::memcpy(kept, px, static_cast<std::size_t>(n) * 4);
            if (pass.shift) pass.shift->apply(px, n);
            if (pass.mark) pass.mark->apply(px, block, n);
            for (std::int64_t i = 0; i < n; ++i) {
                const bool same = pixelWord(px, i) == pixelWord(old, i);
                if (pass.force && same) px[i * 4] ^= 0x02; // bit 0 may carry the watermark; bit 1 does not
                count += !same;
            }
        }
        return count;
    });
    return pass.force ? 100.0 : static_cast<double>(changed) / static_cast<double>(pixels) * 100.0;
}

} // namespace quelso::ImageProcessor
