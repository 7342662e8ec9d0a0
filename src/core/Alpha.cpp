#include "core/Alpha.h"

#include <array>
#include <cmath>

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

template <typename PixelFn>
void forEachPixel(Bytes& rgba, PixelFn fn) {
    const auto pixels = static_cast<std::int64_t>(rgba.size() / 4);
    std::uint8_t* base = rgba.data();
    parallelFor(pixels, kPixelsPerTask, [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t i = begin; i < end; ++i) fn(base + i * 4);
    });
}

} // namespace

void premultiply(Bytes& rgba) {
    forEachPixel(rgba, [](std::uint8_t* p) {
        const std::uint8_t a = p[3];
        if (a == 255) return;
        for (int c = 0; c < 3; ++c) p[c] = premultiplied(p[c], a);
    });
}

void unpremultiply(Bytes& rgba) {
    const UnpremultiplyTable& table = unpremultiplyTable();
    forEachPixel(rgba, [&table](std::uint8_t* p) {
        const std::uint8_t a = p[3];
        if (a == 0 || a == 255) return;
        const auto& row = table[a];
        p[0] = row[p[0]];
        p[1] = row[p[1]];
        p[2] = row[p[2]];
    });
}

void premultiplyRoundTrip(Bytes& rgba) {
    const UnpremultiplyTable& table = unpremultiplyTable();
    forEachPixel(rgba, [&table](std::uint8_t* p) {
        const std::uint8_t a = p[3];
        if (a == 255) return;
        const auto& row = table[a]; // all zero for a = 0, as premultiplying leaves it
        for (int c = 0; c < 3; ++c) p[c] = row[premultiplied(p[c], a)];
    });
}

void premultipliedColours(const std::uint8_t* rgba, std::size_t pixels, std::uint8_t* rgb) {
    for (std::size_t i = 0; i < pixels; ++i, rgba += 4, rgb += 3) {
        const std::uint8_t a = rgba[3];
        if (a == 255) {
            rgb[0] = rgba[0];
            rgb[1] = rgba[1];
            rgb[2] = rgba[2];
        } else {
            for (int c = 0; c < 3; ++c) rgb[c] = premultiplied(rgba[c], a);
        }
    }
}

} // namespace quelso
