#include "core/Alpha.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "core/OpaqueRgb.h"
#include "core/Parallel.h"

namespace quelso {
namespace {

// unpremultiply's result for every (alpha, colour) pair, computed once with the exact
// single-precision formula so the per-pixel pass is a lookup.
using UnpremultiplyTable = std::array<std::array<std::uint8_t, 256>, 256>;

const UnpremultiplyTable& unpremultiplyTable() {
    static const UnpremultiplyTable table = [] {
        UnpremultiplyTable t{};
        for (int a = 1; a < 255; ++a)
            for (int c = 0; c < 256; ++c) {
                const float value = static_cast<float>(c) * 255.0f / static_cast<float>(a);
                const float rounded = std::round(value);
                t[static_cast<std::size_t>(a)][static_cast<std::size_t>(c)] =
                    static_cast<std::uint8_t>(rounded > 255.0f ? 255.0f : rounded);
            }
        return t;
    }();
    return table;
}

// Calls fn on every pixel of [begin, end) that is not opaque (the conversions leave opaque ones
// as they are). Blocks of opaque pixels, most of most pictures, are passed over a word at a time.
template <typename PixelFn>
void forTranslucentPixelsIn(std::uint8_t* base, std::int64_t begin, std::int64_t end, PixelFn fn) {
    constexpr std::int64_t kBlock = 256;
    for (std::int64_t block = begin; block < end; block += kBlock) {
        const std::int64_t last = std::min(block + kBlock, end);
        std::uint32_t all = 0xFFFFFFFFu;
        for (std::int64_t i = block; i < last; ++i) {
            std::uint32_t pixel;
            std::memcpy(&pixel, base + i * 4, 4);
            all &= pixel;
        }
        std::uint8_t channels[4];
        std::memcpy(channels, &all, 4);
        if (channels[3] == 255) continue;
        for (std::int64_t i = block; i < last; ++i)
            if (base[i * 4 + 3] != 255) fn(base + i * 4);
    }
}

// The same over a whole raster, on all cores.
template <typename PixelFn>
void forEachTranslucentPixel(Bytes& rgba, PixelFn fn) {
    std::uint8_t* base = rgba.data();
    parallelFor(static_cast<std::int64_t>(rgba.size() / 4), kPixelsPerTask,
                [&](std::int64_t begin, std::int64_t end) { forTranslucentPixelsIn(base, begin, end, fn); });
}

// premultiply then unpremultiply one pixel.
void roundTrip(std::uint8_t* p) {
    const UnpremultiplyTable& table = unpremultiplyTable();
    const std::uint8_t a = p[3];
    const auto& row = table[a]; // all zero for a = 0, as premultiplying leaves it
    for (int c = 0; c < 3; ++c) p[c] = row[premultiplied(p[c], a)];
}

} // namespace

void premultiply(Bytes& rgba) {
    forEachTranslucentPixel(rgba, [](std::uint8_t* p) {
        for (int c = 0; c < 3; ++c) p[c] = premultiplied(p[c], p[3]);
    });
}

void unpremultiply(Bytes& rgba) {
    const UnpremultiplyTable& table = unpremultiplyTable();
    forEachTranslucentPixel(rgba, [&table](std::uint8_t* p) {
        const std::uint8_t a = p[3];
        if (a == 0) return;
        const auto& row = table[a];
        p[0] = row[p[0]];
        p[1] = row[p[1]];
        p[2] = row[p[2]];
    });
}

void premultiplyRoundTrip(Bytes& rgba) { forEachTranslucentPixel(rgba, roundTrip); }

void premultiplyRoundTrip(std::uint8_t* rgba, std::size_t pixels) {
    forTranslucentPixelsIn(rgba, 0, static_cast<std::int64_t>(pixels), roundTrip);
}

void premultipliedColours(const std::uint8_t* rgba, std::size_t pixels, std::uint8_t* rgb) {
    // Runs of opaque pixels, most of most pictures, are packed as they are; the others one by one.
    for (std::size_t i = 0; i < pixels;) {
        i += packOpaqueRun(rgba + i * 4, pixels - i, rgb + i * 3);
        for (const std::size_t end = std::min(pixels, i + 4); i < end && rgba[i * 4 + 3] != 255; ++i)
            for (int c = 0; c < 3; ++c) rgb[i * 3 + c] = premultiplied(rgba[i * 4 + c], rgba[i * 4 + 3]);
    }
}

} // namespace quelso
