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

std::int64_t finishPixels(std::uint8_t* rgba, const std::uint8_t* original, std::int64_t first, std::int64_t count,
                          const FinishingPass& pass) {
    constexpr std::int64_t kBlock = 1024;
    std::uint8_t kept[kBlock * 4]; // a block's pixels as they were, when nothing else holds them
    std::int64_t changed = 0;
    for (std::int64_t done = 0; done < count; done += kBlock) {
        const std::int64_t n = std::min(kBlock, count - done);
        std::uint8_t* const px = rgba + done * 4;
        const std::uint8_t* const old = original ? original + done * 4 : kept;
        if (!original) std::memcpy(kept, px, static_cast<std::size_t>(n) * 4);
        if (pass.shift) pass.shift->apply(px, n);
        if (pass.mark) pass.mark->apply(px, first + done, n);
        for (std::int64_t i = 0; i < n; ++i) {
            const bool same = pixelWord(px, i) == pixelWord(old, i);
            if (pass.force && same) px[i * 4] ^= 0x02; // bit 0 may carry the watermark; bit 1 does not
            changed += !same;
        }
    }
    return changed;
}

double finish(Bytes& raster, const Bytes* original, const FinishingPass& pass) {
    const auto pixels = static_cast<std::int64_t>(raster.size() / 4);
    if (pixels == 0) return 0.0;
    std::uint8_t* const data = raster.data();
    const std::uint8_t* const before = original ? original->data() : nullptr;
    const std::int64_t changed = parallelSum(pixels, kPixelsPerTask, [&](std::int64_t begin, std::int64_t end) {
        return finishPixels(data + begin * 4, before ? before + begin * 4 : nullptr, begin, end - begin, pass);
    });
    return changedShare(changed, pixels, pass);
}

double changedShare(std::int64_t changed, std::int64_t pixels, const FinishingPass& pass) {
    if (pixels == 0) return 0.0;
    return pass.force ? 100.0 : static_cast<double>(changed) / static_cast<double>(pixels) * 100.0;
}

} // namespace quelso::ImageProcessor
