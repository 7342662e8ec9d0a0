#include "NamingPictures.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <cairo.h>
#include <pango/pangocairo.h>

namespace quelso::pictures {

namespace {

// Cairo keeps native-endian premultiplied ARGB; every picture here is opaque.
PixelImage fromSurface(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    PixelImage picture;
    picture.width = cairo_image_surface_get_width(surface);
    picture.height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    picture.rgba.resize(static_cast<std::size_t>(picture.width * picture.height * 4));
    for (std::int64_t y = 0; y < picture.height; ++y) {
        for (std::int64_t x = 0; x < picture.width; ++x) {
            std::uint32_t argb;
            std::memcpy(&argb, data + y * stride + x * 4, 4);
            std::uint8_t* out = &picture.rgba[static_cast<std::size_t>((y * picture.width + x) * 4)];
            out[0] = static_cast<std::uint8_t>(argb >> 16);
            out[1] = static_cast<std::uint8_t>(argb >> 8);
            out[2] = static_cast<std::uint8_t>(argb);
            out[3] = 255;
        }
    }
    return picture;
}

cairo_surface_t* toSurface(const PixelImage& picture) {
    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_RGB24, static_cast<int>(picture.width), static_cast<int>(picture.height));
    const int stride = cairo_image_surface_get_stride(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    for (std::int64_t y = 0; y < picture.height; ++y) {
        for (std::int64_t x = 0; x < picture.width; ++x) {
            const std::uint8_t* in = &picture.rgba[static_cast<std::size_t>((y * picture.width + x) * 4)];
            const std::uint32_t rgb = 0xFF000000u | (std::uint32_t(in[0]) << 16) |
                                      (std::uint32_t(in[1]) << 8) | in[2];
            std::memcpy(data + y * stride + x * 4, &rgb, 4);
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

// Lays the lines out one per paragraph and returns the layout's pixel size.
PangoLayout* layoutLines(cairo_t* cr, const std::vector<std::string>& lines, const std::string& font,
                         int wrapWidth) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    if (!text.empty()) text.pop_back();
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* description = pango_font_description_from_string(font.c_str());
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    pango_layout_set_width(layout, wrapWidth * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
    pango_layout_set_text(layout, text.c_str(), -1);
    return layout;
}

// SplitMix64, so scenes are the same on every run.
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }
};

} // namespace

PixelImage textPage(const std::vector<std::string>& lines, const std::string& font, int width,
                    int height) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    const int margin = std::max(8, width / 20);
    PangoLayout* layout = layoutLines(cr, lines, font, width - 2 * margin);
    cairo_set_source_rgb(cr, 0.08, 0.08, 0.1);
    cairo_move_to(cr, margin, margin);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
    cairo_destroy(cr);
    PixelImage picture = fromSurface(surface);
    cairo_surface_destroy(surface);
    return picture;
}

PixelImage landscape(int width, int height, std::uint64_t seed) {
    PixelImage picture;
    picture.width = width;
    picture.height = height;
    picture.rgba.resize(static_cast<std::size_t>(width) * height * 4);
    Random random{seed};
    const int horizon = height * 11 / 20;
    struct Blob {
        double x, y, radius, r, g, b;
    };
    std::vector<Blob> blobs;
    for (int i = 0; i < 6; ++i)
        blobs.push_back({random.unit() * width, horizon + random.unit() * (height - horizon),
                         (0.05 + 0.1 * random.unit()) * width, 40 + 60 * random.unit(),
                         90 + 80 * random.unit(), 30 + 40 * random.unit()});
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double r, g, b;
            if (y < horizon) {
                const double t = static_cast<double>(y) / horizon;
                r = 70 + 110 * t;
                g = 130 + 80 * t;
                b = 225 + 20 * t;
            } else {
                const double t = static_cast<double>(y - horizon) / (height - horizon);
                r = 60 - 25 * t;
                g = 140 - 40 * t;
                b = 45 - 15 * t;
                for (const Blob& blob : blobs) {
                    const double d = std::hypot(x - blob.x, y - blob.y) / blob.radius;
                    if (d < 1) {
                        const double w = (1 - d * d) * 0.6;
                        r += (blob.r - r) * w;
                        g += (blob.g - g) * w;
                        b += (blob.b - b) * w;
                    }
                }
                const double noise = (random.unit() - 0.5) * 50;
                r += noise;
                g += noise;
                b += noise * 0.5;
            }
            std::uint8_t* out = &picture.rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            out[0] = static_cast<std::uint8_t>(std::clamp(std::round(r), 0.0, 255.0));
            out[1] = static_cast<std::uint8_t>(std::clamp(std::round(g), 0.0, 255.0));
            out[2] = static_cast<std::uint8_t>(std::clamp(std::round(b), 0.0, 255.0));
            out[3] = 255;
        }
    }
    return picture;
}

void stampText(PixelImage& picture, const std::vector<std::string>& lines, const std::string& font) {
    cairo_surface_t* surface = toSurface(picture);
    cairo_t* cr = cairo_create(surface);
    const int margin = static_cast<int>(picture.width / 20);
    PangoLayout* layout = layoutLines(cr, lines, font, static_cast<int>(picture.width) - 4 * margin);
    int textWidth = 0, textHeight = 0;
    pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, margin, margin, textWidth + margin, textHeight + margin);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.05, 0.05, 0.05);
    cairo_move_to(cr, margin * 1.5, margin * 1.5);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
    cairo_destroy(cr);
    PixelImage stamped = fromSurface(surface);
    cairo_surface_destroy(surface);
    picture.rgba = std::move(stamped.rgba);
}

PixelImage solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    PixelImage picture;
    picture.width = width;
    picture.height = height;
    picture.rgba.resize(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < picture.rgba.size(); i += 4) {
        picture.rgba[i] = r;
        picture.rgba[i + 1] = g;
        picture.rgba[i + 2] = b;
        picture.rgba[i + 3] = a;
    }
    return picture;
}

} // namespace quelso::pictures
