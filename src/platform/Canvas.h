#pragma once
// Drawing straight into a caller's premultiplied RGBA raster, in a frame whose origin is the
// bottom-left corner with y growing upwards, one unit per pixel.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/PixelImage.h"

namespace quelso {

struct Rect {
    double x = 0, y = 0, width = 0, height = 0;
};

// Straight (not premultiplied) colour, each channel 0..1.
struct TextColor {
    double r = 1, g = 1, b = 1, a = 1;
};

// One line of text shaped once in a font (right-to-left scripts included; scripts the font
// lacks fall back to another installed font), ready to be measured and drawn many times.
class TextLine {
public:
    // font names a family and style, for example "Liberation Sans Bold"; size is the em size
    // in canvas units. Bytes that are not UTF-8 become replacement characters. Absent for a
    // size that is not a positive finite number.
    static std::optional<TextLine> make(const std::string& utf8, const std::string& font, double size,
                                        const TextColor& color);

    // The glyphs' ink relative to the start of the baseline, y upwards.
    Rect inkBounds() const { return ink_; }

    struct Layout;

private:
    std::shared_ptr<Layout> layout_;
    Rect ink_;
    friend class Canvas;
};

// A decoded picture made ready for drawing once, so that drawing it many times costs no
// conversion.
class CanvasImage {
public:
    // Absent when the drawing library cannot hold a picture of this size.
    static std::optional<CanvasImage> from(const PixelImage& image);

    std::int64_t width() const { return width_; }
    std::int64_t height() const { return height_; }

    struct Surface;

private:
    std::shared_ptr<Surface> surface_;
    std::int64_t width_ = 0;
    std::int64_t height_ = 0;
    friend class Canvas;
};

class Canvas {
public:
    // The raster holds width * height premultiplied R, G, B, A pixels, rows top to bottom.
    // Absent when no context can be made for this size. While the canvas lives the raster
    // is in the drawing library's own byte order; it is back in R, G, B, A when the canvas
    // is destroyed, and every pixel nothing was drawn on is then byte-identical.
    static std::optional<Canvas> over(Bytes& rgba, std::int64_t width, std::int64_t height);

    Canvas(Canvas&& other) noexcept;
    Canvas& operator=(Canvas&&) = delete;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas();

    // Global opacity (0..1) for everything drawn afterwards; part of the saved state.
    void setAlpha(double alpha);
    void save();
    void restore();
    void translate(double dx, double dy);
    // Counter-clockwise on the picture for positive angles, as in any y-up frame.
    void rotate(double radians);

    // Source-over, resampled into the rectangle; parts outside the raster are clipped.
    void drawImage(const CanvasImage& image, const Rect& rect);
    // The line's baseline starts at (x, y); glyphs stand upright in the current frame.
    void drawText(const TextLine& line, double x, double y);

    struct State;

private:
    explicit Canvas(std::unique_ptr<State> state);
    // True when the rectangle, in the current frame, lies wholly outside the raster.
    bool missesRaster(const Rect& rect) const;
    std::unique_ptr<State> state_;
};

} // namespace quelso
