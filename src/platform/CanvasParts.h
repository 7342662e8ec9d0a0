#pragma once
// What the canvas, its images and its text lines share inside the platform room: the cairo
// and pango objects they own, and cairo's pixel layout.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstddef>
#include <cstdint>

#include "platform/Canvas.h"

namespace quelso {

struct CanvasImage::Surface {
    cairo_surface_t* surface = nullptr;
    ~Surface() { cairo_surface_destroy(surface); }
};

struct TextLine::Layout {
    PangoLayout* layout = nullptr;
    TextColor color;
    ~Layout() {
        if (layout) g_object_unref(layout);
    }
};

// Cairo keeps a pixel as one native 32-bit word A<<24 | R<<16 | G<<8 | B. These turn R, G, B,
// A bytes into such words and back, in place, exactly on either byte order.
void rgbaToNative(std::uint8_t* p, std::size_t pixels);
void nativeToRgba(std::uint8_t* p, std::size_t pixels);

// Cairo's image surfaces stop at this side length.
inline constexpr std::int64_t kMaxCairoSide = 32767;

inline bool fitsCairoSurface(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxCairoSide && height <= kMaxCairoSide;
}

} // namespace quelso
