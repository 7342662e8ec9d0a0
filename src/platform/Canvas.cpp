#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/CanvasParts.h"

namespace quelso {

namespace {

bool finite(const Rect& r) {
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) && std::isfinite(r.height);
}

} // namespace

struct Canvas::State {
    Bytes* raster = nullptr;
    std::int64_t width = 0, height = 0;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    double alpha = 1.0;
    std::vector<double> savedAlpha;
};

std::optional<Canvas> Canvas::over(Bytes& rgba, std::int64_t width, std::int64_t height) {
    if (!fitsCairoSurface(width, height) || rgba.size() != static_cast<std::size_t>(width * height * 4))
        return std::nullopt;
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
