#include "compare/Ssim.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "compare/LumaGrid.h"

namespace quelso::Ssim {

namespace {

constexpr double kC1 = (0.01 * 255) * (0.01 * 255);
constexpr double kC2 = (0.03 * 255) * (0.03 * 255);
constexpr std::int64_t kWindow = 8;
constexpr double kViewingSide = 256.0;

// The five sums of a window's statistics: x, y, x^2, y^2 and x y.
struct Sums {
    double x = 0, y = 0, xx = 0, yy = 0, xy = 0;
};

double windowSsim(const Sums& s, double n) {
    const double mx = s.x / n, my = s.y / n;
    const double vx = s.xx / n - mx * mx, vy = s.yy / n - my * my, cxy = s.xy / n - mx * my;
    return (2 * mx * my + kC1) * (2 * cxy + kC2) / ((mx * mx + my * my + kC1) * (vx + vy + kC2));
}

} // namespace

LumaGrid::Size grid(std::int64_t widthA, std::int64_t heightA, std::int64_t widthB, std::int64_t heightB) {
    const std::int64_t width = std::min(widthA, widthB), height = std::min(heightA, heightB);
    const std::int64_t shrink =
        std::max<std::int64_t>(1, std::llround(static_cast<double>(std::min(width, height)) / kViewingSide));
    return {std::max<std::int64_t>(1, width / shrink), std::max<std::int64_t>(1, height / shrink)};
}

std::optional<double> compare(const LumaGrid::Plane& x, const LumaGrid::Plane& y) {
    const std::int64_t gw = x.width, gh = x.height;
    if (gw <= 0 || gh <= 0 || y.width != gw || y.height != gh) return std::nullopt;
    const std::int64_t ww = std::min(kWindow, gw), wh = std::min(kWindow, gh);
    const double n = static_cast<double>(ww * wh);
    // For each band of window rows, the sums of each column down the band first; each window
    // then adds its columns' sums instead of all its cells.
    std::vector<Sums> columns(static_cast<std::size_t>(gw));
    double sum = 0.0;
    for (std::int64_t top = 0; top + wh <= gh; ++top) {
        for (std::int64_t col = 0; col < gw; ++col) {
            Sums c;
            for (std::int64_t row = top; row < top + wh; ++row) {
                const std::size_t i = static_cast<std::size_t>(row * gw + col);
                const double a = x.values[i], b = y.values[i];
                c.x += a;
                c.y += b;
                c.xx += a * a;
                c.yy += b * b;
                c.xy += a * b;
            }
            columns[static_cast<std::size_t>(col)] = c;
        }
        for (std::int64_t left = 0; left + ww <= gw; ++left) {
            Sums w;
            for (std::int64_t col = left; col < left + ww; ++col) {
                const Sums& c = columns[static_cast<std::size_t>(col)];
                w.x += c.x;
                w.y += c.y;
                w.xx += c.xx;
                w.yy += c.yy;
                w.xy += c.xy;
            }
            sum += windowSsim(w, n);
        }
    }
    return sum / static_cast<double>((gw - ww + 1) * (gh - wh + 1));
}

std::optional<double> compare(const PixelImage& a, const PixelImage& b) {
    if (a.pixelCount() <= 0 || b.pixelCount() <= 0) return std::nullopt;
    const LumaGrid::Size g = grid(a.width, a.height, b.width, b.height);
    return compare(LumaGrid::sample(a, g.width, g.height), LumaGrid::sample(b, g.width, g.height));
}

} // namespace quelso::Ssim
