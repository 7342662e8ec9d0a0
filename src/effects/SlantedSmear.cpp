#include "effects/SlantedSmear.h"

#include <algorithm>
#include <vector>

#include "core/Parallel.h"
#include "effects/ExactDivision.h"
#include "effects/Resample.h"
#include "effects/TapStretches.h"

namespace quelso::effects {

namespace {

// Output rows and columns per tile. A tile's float source (its pixels plus the taps' reach on
// every side) stays within a few megabytes, and the part of it one output row reads, within
// the second-level cache.
constexpr std::int64_t kTileRows = 64, kTileColumns = 256;

// Source columns [x0, x1) of rows [y0, y1) in the form sample runs read.
class FloatPatch {
public:
    void fill(const std::uint8_t* src, std::int64_t width, std::int64_t x0, std::int64_t x1, std::int64_t y0,
              std::int64_t y1, const SampleKernel& kernel) {
        x0_ = x0;
        y0_ = y0;
        stride_ = (x1 - x0) * 4;
        values_.resize(static_cast<std::size_t>(stride_ * (y1 - y0)));
        steps_.resize(values_.size());
        // The image's last column has no pixel on its right, and no run reads its step.
        const std::int64_t stepped = (std::min(x1, width - 1) - x0) * 4;
        for (std::int64_t y = y0; y < y1; ++y) {
            const std::uint8_t* row = src + (y * width + x0) * 4;
            float* values = values_.data() + (y - y0) * stride_;
            float* steps = steps_.data() + (y - y0) * stride_;
            kernel.widen(row, stepped, values, steps);
            for (std::int64_t i = stepped; i < stride_; ++i) {
                values[i] = row[i];
                steps[i] = 0;
            }
        }
    }
    const float* values(std::int64_t x, std::int64_t y) const { return values_.data() + offset(x, y); }
    const float* steps(std::int64_t x, std::int64_t y) const { return steps_.data() + offset(x, y); }

private:
    std::int64_t offset(std::int64_t x, std::int64_t y) const { return (y - y0_) * stride_ + (x - x0_) * 4; }
    std::int64_t x0_ = 0, y0_ = 0, stride_ = 0;
    std::vector<float> values_, steps_;
};

} // namespace

void smearInTiles(const Bytes& src, std::int64_t width, std::int64_t height, std::int64_t n, double c, double s,
                  const SampleKernel& kernel, Bytes& out) {
    const std::uint8_t* from = src.data();
    std::uint8_t* to = out.data();
    const RoundedMean mean(2 * n + 1);
    const std::int64_t taps = 2 * n + 1, tiles = (width + kTileColumns - 1) / kTileColumns;
    std::vector<double> stepY;
    // Each tap's stretches cut at the tiles' edges, at [tile * taps + tap]. A cut stretch of one
    // pixel is any sample; a longer one still samples neighbouring pixels.
    std::vector<std::vector<Stretch>> pieces(static_cast<std::size_t>(tiles * taps));
    for (std::int64_t k = -n; k <= n; ++k) {
        stepY.push_back(s * k);
        for (const Stretch& run : stretchesOfTap(c * k, width))
            for (std::int64_t tile = run.begin / kTileColumns; tile * kTileColumns < run.end; ++tile) {
                const std::int64_t begin = std::max(run.begin, tile * kTileColumns);
                Axis first = run.first;
                first.i0 += begin - run.begin;
                first.i1 = begin > run.begin ? first.i0 + 1 : first.i1;
                pieces[tile * taps + k + n].push_back({begin, std::min(run.end, (tile + 1) * kTileColumns), first});
            }
    }
    const double lowest = std::min(stepY.front(), stepY.back()), highest = std::max(stepY.front(), stepY.back());
    parallelFor(height, rowsPerTask(width), [&](std::int64_t y0, std::int64_t y1) {
        FloatPatch patch;
        std::vector<float> sums(kTileColumns * 4);
        std::uint8_t sample[4];
        for (std::int64_t band = y0; band < y1; band += kTileRows) {
            const std::int64_t bandEnd = std::min(band + kTileRows, y1);
            // Rows and columns the tile's taps read: |c * k| and |s * k| are at most n, and a clamped
            // coordinate only grows with the unclamped one.
            const std::int64_t top = clampAxis(lowest + band, height).i0,
                               bottom = clampAxis(highest + (bandEnd - 1), height).i1 + 1;
            for (std::int64_t tile = 0; tile < tiles; ++tile) {
                const std::int64_t x0 = tile * kTileColumns, x1 = std::min(x0 + kTileColumns, width);
                patch.fill(from, width, std::max<std::int64_t>(x0 - n, 0), std::min(x1 + n, width), top, bottom,
                           kernel);
                for (std::int64_t y = band; y < bandEnd; ++y) {
                    std::fill(sums.begin(), sums.end(), 0.0f);
                    for (std::int64_t k = 0; k < taps; ++k) {
                        const Axis ay = clampAxis(stepY[k] + y, height);
                        const std::uint8_t* row0 = from + ay.i0 * width * 4;
                        const std::uint8_t* row1 = from + ay.i1 * width * 4;
                        for (const Stretch& piece : pieces[tile * taps + k]) {
                            const Axis& ax = piece.first;
                            float* at = sums.data() + (piece.begin - x0) * 4;
                            if (piece.end - piece.begin > 1) {
                                kernel.add({patch.values(ax.i0, ay.i0), patch.steps(ax.i0, ay.i0),
                                            patch.values(ax.i0, ay.i1), patch.steps(ax.i0, ay.i1), row0 + ax.i0 * 4,
                                            row1 + ax.i0 * 4, ax.f, ay.f, piece.end - piece.begin},
                                           at);
                                continue;
                            }
                            blend(row0 + ax.i0 * 4, row0 + ax.i1 * 4, row1 + ax.i0 * 4, row1 + ax.i1 * 4, ax.f, ay.f,
                                  sample);
                            for (int ch = 0; ch < 4; ++ch) at[ch] += sample[ch];
                        }
                    }
                    std::uint8_t* dst = to + (y * width + x0) * 4;
                    for (std::int64_t i = 0; i < (x1 - x0) * 4; ++i) dst[i] = mean(static_cast<std::uint64_t>(sums[i]));
                }
            }
        }
    });
}

} // namespace quelso::effects
