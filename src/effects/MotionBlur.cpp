#include <algorithm>
#include <cmath>
#include <vector>

#include "core/Parallel.h"
#include "core/PixelMath.h"
#include "core/RasterBuffer.h"
#include "effects/BoxBlurRows.h"
#include "effects/Effects.h"
#include "effects/ExactDivision.h"
#include "effects/Resample.h"
#include "effects/SlantedSmear.h"
#include "effects/TapStretches.h"

namespace quelso::effects {

namespace {

// Along an axis (angle 0, 90, 180, 270 up to the rounding error of the sine or cosine) every
// sample lies within a hair of a pixel: when each coordinate is within 1e-6 of an integer, a
// bilinear sample differs from that pixel by at most about 255 * 2e-6 before rounding, far
// from a half, so it returns the pixel exactly and the smear is a box filter with running sums.
// `along` is the cosine or sine on the axis, `across` the other; offsets are k * along, k * across.
bool onAxis(double along, double across, std::int64_t n) {
    const double reach = static_cast<double>(n);
    return reach * std::abs(std::abs(along) - 1) <= 1e-6 && reach * std::abs(across) <= 1e-6;
}

// Running sums of 4 channels over a window of 2n+1 pixels, for one line read through
// pixel(i) (i clamped to 0..length-1), rounded into out(i).
template <typename In, typename Out>
void smearLine(std::int64_t length, std::int64_t n, const In& pixel, const Out& out) {
    const RoundedMean mean(2 * n + 1);
    const Window w = clampedWindow(0, n, length);
    for (int c = 0; c < 4; ++c) {
        std::uint64_t sum = w.extraFirst * pixel(0)[c] + w.extraLast * pixel(length - 1)[c];
        for (std::int64_t i = w.first; i <= w.last; ++i) sum += pixel(i)[c];
        for (std::int64_t i = 0; i < length; ++i) {
            out(i)[c] = mean(sum);
            sum = sum + pixel(std::min(i + n + 1, length - 1))[c] - pixel(std::max<std::int64_t>(i - n, 0))[c];
        }
    }
}

void smearRows(const Bytes& src, std::int64_t width, std::int64_t height, std::int64_t n, Bytes& out) {
    const std::uint8_t* from = src.data();
    std::uint8_t* to = out.data();
    parallelFor(height, rowsPerTask(width), [&](std::int64_t y0, std::int64_t y1) {
        for (std::int64_t y = y0; y < y1; ++y) {
            const std::uint8_t* in = from + y * width * 4;
            std::uint8_t* dst = to + y * width * 4;
            smearLine(
                width, n, [&](std::int64_t x) { return in + x * 4; }, [&](std::int64_t x) { return dst + x * 4; });
        }
    });
}

// Down the columns: every band of rows keeps one running sum per column and channel and
// walks its rows in memory order.
void smearColumns(const Bytes& src, std::int64_t width, std::int64_t height, std::int64_t n, Bytes& out) {
    const std::uint8_t* from = src.data();
    std::uint8_t* to = out.data();
    const std::int64_t rowBytes = width * 4;
    const RoundedMean mean(2 * n + 1);
    parallelFor(height, rowsPerTask(width), [&](std::int64_t y0, std::int64_t y1) {
        std::vector<std::uint64_t> sums(static_cast<std::size_t>(rowBytes), 0);
        const Window w = clampedWindow(y0, n, height);
        for (std::int64_t k = w.first; k <= w.last; ++k) {
            const std::uint64_t weight = 1 + (k == w.first ? w.extraFirst : 0) + (k == w.last ? w.extraLast : 0);
            for (std::int64_t i = 0; i < rowBytes; ++i) sums[i] += weight * from[k * rowBytes + i];
        }
        for (std::int64_t y = y0; y < y1; ++y) {
            for (std::int64_t i = 0; i < rowBytes; ++i) to[y * rowBytes + i] = mean(sums[i]);
            const std::uint8_t* plus = from + std::min(y + n + 1, height - 1) * rowBytes;
            const std::uint8_t* minus = from + std::max<std::int64_t>(y - n, 0) * rowBytes;
            for (std::int64_t i = 0; i < rowBytes; ++i) sums[i] = sums[i] + plus[i] - minus[i];
        }
    });
}

// The general case without a vector kernel: 2n+1 bilinear samples per pixel, summed (exactly, being whole numbers),
// row by row and tap by tap, each tap's stretches telling the samples' neighbours and horizontal fraction.
void smearAlong(const Bytes& src, std::int64_t width, std::int64_t height, std::int64_t n, double c, double s,
                Bytes& out) {
    const std::uint8_t* from = src.data();
    std::uint8_t* to = out.data();
    const RoundedMean mean(2 * n + 1);
    std::vector<double> stepY;
    std::vector<std::vector<Stretch>> stretches;
    for (std::int64_t k = -n; k <= n; ++k) {
        stepY.push_back(s * k);
        stretches.push_back(stretchesOfTap(c * k, width));
    }
    parallelFor(height, rowsPerTask(width), [&](std::int64_t y0, std::int64_t y1) {
        std::vector<double> sums(static_cast<std::size_t>(width * 4));
        std::uint8_t sample[4];
        for (std::int64_t y = y0; y < y1; ++y) {
            std::fill(sums.begin(), sums.end(), 0);
            for (std::size_t k = 0; k < stepY.size(); ++k) {
                const Axis ay = clampAxis(stepY[k] + y, height);
                const std::uint8_t* row0 = from + ay.i0 * width * 4;
                const std::uint8_t* row1 = from + ay.i1 * width * 4;
                for (const Stretch& run : stretches[k])
                    for (std::int64_t x = run.begin; x < run.end; ++x) {
                        const Axis ax = axisAt(run, x);
                        blend(row0 + ax.i0 * 4, row0 + ax.i1 * 4, row1 + ax.i0 * 4, row1 + ax.i1 * 4, ax.f, ay.f,
                              sample);
                        for (int ch = 0; ch < 4; ++ch) sums[x * 4 + ch] += sample[ch];
                    }
            }
            std::uint8_t* dst = to + y * width * 4;
            for (std::int64_t i = 0; i < width * 4; ++i) dst[i] = mean(static_cast<std::uint64_t>(sums[i]));
        }
    });
}

} // namespace

void motionBlur(const Bytes& src, std::int64_t width, std::int64_t height, std::int64_t halfLength, double angleDegrees,
                Bytes& out) {
    // Far beyond any picture's size; keeps the sums and the rounded mean exact.
    halfLength = std::min<std::int64_t>(halfLength, std::int64_t{1} << 22);
    const double phi = (angleDegrees * kPi) / 180;
    const double s = std::sin(phi), c = std::cos(phi);
    ensureRasterSize(out, src.size());
    // Either direction along an axis covers the same 2n+1 pixels.
    if (onAxis(c, s, halfLength)) return smearRows(src, width, height, halfLength, out);
    if (onAxis(s, c, halfLength)) return smearColumns(src, width, height, halfLength, out);
    // Slanted: on vector lanes where the processor has them.
    if (const SampleKernel* kernel = sampleKernel(); kernel && halfLength <= kTiledSmearReach)
        return smearInTiles(src, width, height, halfLength, c, s, *kernel, out);
    smearAlong(src, width, height, halfLength, c, s, out);
}

Bytes motionBlur(const Bytes& src, std::int64_t width, std::int64_t height, std::int64_t halfLength,
                 double angleDegrees) {
    Bytes out;
    motionBlur(src, width, height, halfLength, angleDegrees, out);
    return out;
}

} // namespace quelso::effects
