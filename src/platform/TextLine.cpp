// Lines of text shaped once by pango.
#include <glib.h>

#include <cmath>
#include <memory>

#include "platform/CanvasParts.h"

namespace quelso {

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

} // namespace quelso
