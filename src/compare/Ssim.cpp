#include "compare/Ssim.h"

#include <algorithm>
#include <cmath>

#include "compare/LumaGrid.h"

namespace quelso::Ssim {

namespace {

constexpr double kC1 = (0.01 * 255) * (0.01 * 255);
constexpr double kC2 = (0.03 * 255) * (0.03 * 255);
constexpr std::int64_t kWindow = 8;
constexpr double kViewingSide = 256.0;

double windowSsim(const LumaGrid::Plane& x, const LumaGrid::Plane& y, std::int64_t left, std::int64_t top,
                  std::int64_t ww, std::int64_t wh) {
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (std::int64_t row = top; row < top + wh; ++row)
        for (std::int64_t col = left; col < left + ww; ++col) {
            const std::size_t i = static_cast<std::size_t>(row * x.width + col);
            const double a = x.values[i], b = y.values[i];
            sx += a;
            sy += b;
            sxx += a * a;
            syy += b * b;
            sxy += a * b;
        }
    const double n = static_cast<double>(ww * wh);
    const double mx = sx / n, my = sy / n;
    const double vx = sxx / n - mx * mx, vy = syy / n - my * my, cxy = sxy / n - mx * my;
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
    double sum = 0.0;
    for (std::int64_t top = 0; top + wh <= gh; ++top)
        for (std::int64_t left = 0; left + ww <= gw; ++left) sum += windowSsim(x, y, left, top, ww, wh);
    return sum / static_cast<double>((gw - ww + 1) * (gh - wh + 1));
}

std::optional<double> compare(const PixelImage& a, const PixelImage& b) {
    if (a.pixelCount() <= 0 || b.pixelCount() <= 0) return std::nullopt;
    const LumaGrid::Size g = grid(a.width, a.height, b.width, b.height);
    return compare(LumaGrid::sample(a, g.width, g.height), LumaGrid::sample(b, g.width, g.height));
}

} // namespace quelso::Ssim
