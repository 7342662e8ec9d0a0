#include "platform/Canvas.h"

#include <cairo.h>
#include <glib.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/Alpha.h"

namespace quelso {

namespace {

// Cairo keeps a pixel as one native 32-bit word A<<24 | R<<16 | G<<8 | B. Building and
// splitting the word through memcpy keeps both directions exact on either byte order.
void rgbaToNative(std::uint8_t* p, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i, p += 4) {
        const std::uint32_t word = static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[0]) << 16 |
                                   static_cast<std::uint32_t>(p[1]) << 8 | static_cast<std::uint32_t>(p[2]);
        std::memcpy(p, &word, 4);
    }
}

void nativeToRgba(std::uint8_t* p, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i, p += 4) {
        std::uint32_t word;
        std::memcpy(&word, p, 4);
        p[0] = static_cast<std::uint8_t>(word >> 16);
        p[1] = static_cast<std::uint8_t>(word >> 8);
        p[2] = static_cast<std::uint8_t>(word);
        p[3] = static_cast<std::uint8_t>(word >> 24);
    }
}

// Cairo's image surfaces stop at this side length.
constexpr std::int64_t kMaxSide = 32767;

bool fits(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide;
}

bool finite(const Rect& r) {
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) && std::isfinite(r.height);
}

} // namespace

// ---------------------------------------------------------------------------------------

struct CanvasImage::Surface {
    cairo_surface_t* surface = nullptr;
    ~Surface() { cairo_surface_destroy(surface); }
};

std::optional<CanvasImage> CanvasImage::from(const PixelImage& image) {
    if (!fits(image.width, image.height) ||
        image.rgba.size() != static_cast<std::size_t>(image.width * image.height * 4))
        return std::nullopt;
    auto holder = std::make_shared<Surface>();
    holder->surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(image.width), static_cast<int>(image.height));
    if (cairo_surface_status(holder->surface) != CAIRO_STATUS_SUCCESS) return std::nullopt;

    cairo_surface_flush(holder->surface);
    std::uint8_t* base = cairo_image_surface_get_data(holder->surface);
    const int stride = cairo_image_surface_get_stride(holder->surface);
    const std::uint8_t* src = image.rgba.data();
    for (std::int64_t y = 0; y < image.height; ++y) {
        std::uint8_t* row = base + y * stride;
        std::memcpy(row, src + y * image.width * 4, static_cast<std::size_t>(image.width) * 4);
        // Cairo wants premultiplied colour.
        for (std::int64_t x = 0; x < image.width; ++x) {
            std::uint8_t* p = row + x * 4;
            for (int c = 0; c < 3; ++c) p[c] = premultiplied(p[c], p[3]);
        }
        rgbaToNative(row, static_cast<std::size_t>(image.width));
    }
    cairo_surface_mark_dirty(holder->surface);

    CanvasImage result;
    result.surface_ = std::move(holder);
    result.width_ = image.width;
    result.height_ = image.height;
    return result;
}

// ---------------------------------------------------------------------------------------

struct TextLine::Layout {
    PangoLayout* layout = nullptr;
    TextColor color;
    ~Layout() {
        if (layout) g_object_unref(layout);
    }
};

std::optional<TextLine> TextLine::make(const std::string& utf8, const std::string& font, double size,
                                       const TextColor& color) {
    if (!std::isfinite(size) || size <= 0 || size * PANGO_SCALE > static_cast<double>(G_MAXINT)) return std::nullopt;

    // The default font map is per thread, so pipeline threads never share one.
    PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    // Unhinted, unrounded metrics: the line measures the same at every size and angle.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);

    auto holder = std::make_shared<Layout>();
    holder->layout = pango_layout_new(context);
    holder->color = color;
    g_object_unref(context);

    PangoFontDescription* description = pango_font_description_from_string(font.c_str());
    pango_font_description_set_absolute_size(description, size * PANGO_SCALE);
    pango_layout_set_font_description(holder->layout, description);
    pango_font_description_free(description);

    pango_layout_set_single_paragraph_mode(holder->layout, TRUE);
    // Pango would complain on stderr about bad UTF-8; hand it a repaired copy instead.
    gchar* valid = g_utf8_make_valid(utf8.data(), static_cast<gssize>(utf8.size()));
    pango_layout_set_text(holder->layout, valid, -1);
    g_free(valid);

    PangoRectangle ink;
    pango_layout_line_get_extents(pango_layout_get_line_readonly(holder->layout, 0), &ink, nullptr);
    const double scale = PANGO_SCALE;
    TextLine line;
    line.layout_ = std::move(holder);
    line.ink_ = Rect{ink.x / scale, -(ink.y + ink.height) / scale, ink.width / scale, ink.height / scale};
    return line;
}

// ---------------------------------------------------------------------------------------

struct Canvas::State {
    Bytes* raster = nullptr;
    std::int64_t width = 0, height = 0;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    double alpha = 1.0;
    std::vector<double> savedAlpha;
};

std::optional<Canvas> Canvas::over(Bytes& rgba, std::int64_t width, std::int64_t height) {
    if (!fits(width, height) || rgba.size() != static_cast<std::size_t>(width * height * 4)) return std::nullopt;
    const int stride = static_cast<int>(width) * 4;
    if (cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, static_cast<int>(width)) != stride) return std::nullopt;

    auto state = std::make_unique<State>();
    state->surface = cairo_image_surface_create_for_data(rgba.data(), CAIRO_FORMAT_ARGB32, static_cast<int>(width),
                                                         static_cast<int>(height), stride);
    if (cairo_surface_status(state->surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(state->surface);
        return std::nullopt;
    }
    state->cr = cairo_create(state->surface);
    if (cairo_status(state->cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(state->cr);
        cairo_surface_destroy(state->surface);
        return std::nullopt;
    }
    state->raster = &rgba;
    state->width = width;
    state->height = height;
    rgbaToNative(rgba.data(), rgba.size() / 4);

    // Cairo's device space runs downwards; the canvas frame runs upwards from the bottom.
    cairo_matrix_t flip;
    cairo_matrix_init(&flip, 1, 0, 0, -1, 0, static_cast<double>(height));
    cairo_set_matrix(state->cr, &flip);
    cairo_set_operator(state->cr, CAIRO_OPERATOR_OVER);
    return Canvas(std::move(state));
}

Canvas::Canvas(std::unique_ptr<State> state) : state_(std::move(state)) {}

Canvas::Canvas(Canvas&& other) noexcept = default;

Canvas::~Canvas() {
    if (!state_) return;
    cairo_surface_flush(state_->surface);
    cairo_destroy(state_->cr);
    cairo_surface_finish(state_->surface);
    cairo_surface_destroy(state_->surface);
    nativeToRgba(state_->raster->data(), state_->raster->size() / 4);
}

void Canvas::setAlpha(double alpha) { state_->alpha = std::isnan(alpha) ? 0.0 : std::clamp(alpha, 0.0, 1.0); }

void Canvas::save() {
    cairo_save(state_->cr);
    state_->savedAlpha.push_back(state_->alpha);
}

void Canvas::restore() {
    // An unbalanced restore would put the cairo context into a permanent error state.
    if (state_->savedAlpha.empty()) return;
    cairo_restore(state_->cr);
    state_->alpha = state_->savedAlpha.back();
    state_->savedAlpha.pop_back();
}

void Canvas::translate(double dx, double dy) {
    if (std::isfinite(dx) && std::isfinite(dy)) cairo_translate(state_->cr, dx, dy);
}

void Canvas::rotate(double radians) {
    if (std::isfinite(radians)) cairo_rotate(state_->cr, radians);
}

bool Canvas::missesRaster(const Rect& rect) const {
    double left = HUGE_VAL, right = -HUGE_VAL, top = HUGE_VAL, bottom = -HUGE_VAL;
    for (double cx : {rect.x, rect.x + rect.width})
        for (double cy : {rect.y, rect.y + rect.height}) {
            double dx = cx, dy = cy;
            cairo_user_to_device(state_->cr, &dx, &dy);
            left = std::min(left, dx);
            right = std::max(right, dx);
            top = std::min(top, dy);
            bottom = std::max(bottom, dy);
        }
    // One pixel of slack covers anti-aliased edges.
    return right < -1.0 || bottom < -1.0 || left > static_cast<double>(state_->width) + 1.0 ||
           top > static_cast<double>(state_->height) + 1.0;
}

void Canvas::drawImage(const CanvasImage& image, const Rect& rect) {
    if (!image.surface_ || !finite(rect) || rect.width <= 0 || rect.height <= 0) return;
    // Patterns that repeat far beyond the picture send most of their copies here; skipping
    // them early spares cairo setting up a resampling filter for nothing.
    if (missesRaster(rect)) return;
    cairo_t* cr = state_->cr;
    cairo_save(cr);
    cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
    cairo_clip(cr);
    // The picture's first row is its top: it lands at the rectangle's upper edge.
    cairo_translate(cr, rect.x, rect.y + rect.height);
    cairo_scale(cr, rect.width / static_cast<double>(image.width_), -rect.height / static_cast<double>(image.height_));
    cairo_set_source_surface(cr, image.surface_->surface, 0, 0);
    // Padding keeps the edge pixels opaque up to the rectangle's border instead of fading
    // them into transparency; the clip above bounds the drawing.
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint_with_alpha(cr, state_->alpha);
    cairo_restore(cr);
}

void Canvas::drawText(const TextLine& line, double x, double y) {
    if (!line.layout_ || !std::isfinite(x) || !std::isfinite(y)) return;
    cairo_t* cr = state_->cr;
    const TextColor& c = line.layout_->color;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    // Glyphs are laid out y-down; turn them back so they read upright in the y-up frame.
    cairo_scale(cr, 1, -1);
    cairo_move_to(cr, 0, 0);
    cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a * state_->alpha);
    pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(line.layout_->layout, 0));
    cairo_restore(cr);
}

} // namespace quelso
