#pragma once
// Random per-pixel passes on all cores that give exactly the bytes and the final generator
// state of one sequential pass.
//
// Every pixel takes the same number of draws below one bound, so while nothing is rejected,
// pixel p starts drawing at state + p * draws * gamma and any range of pixels can start on its
// own. nextBelow rejects a draw r only when low64(r * bound) < t, where t = 2^64 mod bound is
// smaller than the bound. For an odd bound these r are exactly v * bound^-1 mod 2^64 for v < t,
// and since SplitMix64's finaliser and its step by gamma are both invertible, each such r turns
// up at exactly one index of the stream. So the first rejection ahead is found in O(t) work (a
// handful of values for the small bounds of noise and grain) without looking at a pixel: the
// pixels before it run in parallel, the pixel holding it runs alone and takes its extra draws,
// and the search starts again from the true state after it. Nothing is computed twice and the
// raster can be changed in place. Bounds whose rejections cannot be listed cheaply (even, or
// with a huge t) run as one sequential pass.
#include <cstdint>
#include <optional>

#include "core/Parallel.h"
#include "core/PixelMath.h"
#include "core/SplitMix64.h"

namespace quelso::effects {

// True when the draws that nextBelow(bound) rejects can be listed cheaply.
bool rejectionsPredictable(std::uint64_t bound);

// Index, counted from the generator state `state`, of the first of the next `draws` draws
// that nextBelow(bound) would reject if every draw before it was accepted; absent when none
// is. Only for predictable bounds.
std::optional<std::uint64_t> firstRejectedDraw(std::uint64_t state, std::uint64_t bound, std::uint64_t draws);

// Calls body(begin, end, rng) over ranges covering pixels [0, pixels) so that the result and
// the final state of `rng` are those of body(0, pixels, rng). The body must draw exactly
// drawsPerPixel values below `bound` per pixel, in pixel order, and touch only its own pixels.
template <typename Body>
void forEachSeededPixel(std::int64_t pixels, std::int64_t drawsPerPixel, std::uint64_t bound, SplitMix64& rng,
                        const Body& body) {
    if (!rejectionsPredictable(bound)) {
        body(0, pixels, rng);
        return;
    }
    const auto perPixel = static_cast<std::uint64_t>(drawsPerPixel);
    std::int64_t begin = 0;
    while (begin < pixels) {
        const auto remaining = static_cast<std::uint64_t>(pixels - begin);
        const auto hit = firstRejectedDraw(rng.state, bound, remaining * perPixel);
        const std::int64_t end = hit ? begin + static_cast<std::int64_t>(*hit / perPixel) : pixels;
        const std::uint64_t start = rng.state;
        parallelFor(end - begin, kPixelsPerTask, [&](std::int64_t b, std::int64_t e) {
            SplitMix64 local(start);
            local.advance(static_cast<std::uint64_t>(b) * perPixel);
            body(begin + b, begin + e, local);
        });
        rng.advance(static_cast<std::uint64_t>(end - begin) * perPixel);
        if (end == pixels) return;
        body(end, end + 1, rng); // the pixel with the rejected draw, taking its extra draws
        begin = end + 1;
    }
}

} // namespace quelso::effects
