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
// The shortest span worth sending through the kernel with all taps at once.
constexpr std::int64_t kShortestShared = 16;

// Source columns [x0, x1) of rows [y0, y1) in the kernel's float form, for x1 < width: runs read a
// column only together with the one on its right.
class FloatPatch {
public:
    void fill(const std::uint8_t* src, std::int64_t width, std::int64_t x0, std::int64_t x1, std::int64_t y0,
              std::int64_t y1, const SampleKernel& kernel) {
        x0_ = x0;
        y0_ = y0;
        stride_ = (x1 - x0) * 4;
        values_.resize(static_cast<std::size_t>(stride_ * (y1 - y0)));
        steps_.resize(values_.size());
        for (std::int64_t y = y0; y < y1; ++y) {
            const std::int64_t at = (y - y0) * stride_;
            kernel.widen(src + (y * width + x0) * 4, stride_, values_.data() + at, steps_.data() + at);
        }
    }
    const float* values(std::int64_t x, std::int64_t y) const { return values_.data() + offset(x, y); }
    const float* steps(std::int64_t x, std::int64_t y) const { return steps_.data() + offset(x, y); }

private:
    std::int64_t offset(std::int64_t x, std::int64_t y) const { return (y - y0_) * stride_ + (x - x0_) * 4; }
    std::int64_t x0_ = 0, y0_ = 0, stride_ = 0;
    std::vector<float> values_, steps_;
};

// One tile's output columns [x0, x1) as the taps sample them: each tap's stretches cut at the
// tile's edges, and the tile cut into spans. In a shared span every tap samples one run
// (neighbouring source pixels, one fraction) all the way, so all taps go through the kernel
// together and the sums stay in registers; elsewhere (near the image's sides, and where rounding
// changes a tap's fraction) each tap's pieces go one by one.
struct Span {
    std::int64_t begin, end;
    bool shared;
};

struct Tile {
    std::int64_t x0, x1;
    std::vector<std::vector<Stretch>> pieces; // per tap
    std::vector<Span> spans;
    std::vector<Axis> firsts; // per shared span in turn, each tap's axis at its begin
};

Tile cutTile(std::int64_t x0, std::int64_t x1, const std::vector<std::vector<Stretch>>& stretches) {
    Tile tile{x0, x1, {}, {}, {}};
    std::vector<std::int64_t> cuts{x1};
    for (const std::vector<Stretch>& tap : stretches) {
        std::vector<Stretch>& pieces = tile.pieces.emplace_back();
        for (const Stretch& run : tap)
            if (run.end > x0 && run.begin < x1) {
                const std::int64_t begin = std::max(run.begin, x0);
                pieces.push_back({begin, std::min(run.end, x1), axisAt(run, begin)});
                cuts.push_back(begin);
            }
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    // Between two cuts every tap stays on one piece; on a long stretch that piece is a run.
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        const std::int64_t begin = cuts[i], end = cuts[i + 1];
        if (end - begin >= kShortestShared) {
            tile.spans.push_back({begin, end, true});
            for (const std::vector<Stretch>& pieces : tile.pieces) {
                const auto holder = std::prev(std::upper_bound(
                    pieces.begin(), pieces.end(), begin, [](std::int64_t x, const Stretch& p) { return x < p.begin; }));
                tile.firsts.push_back(axisAt(*holder, begin));
            }
        } else if (!tile.spans.empty() && !tile.spans.back().shared) {
            tile.spans.back().end = end;
        } else {
            tile.spans.push_back({begin, end, false});
        }
    }
    return tile;
}

} // namespace

void smearInTiles(const Bytes& src, std::int64_t width, std::int64_t height, std::int64_t n, double c, double s,
                  const SampleKernel& kernel, Bytes& out) {
    const std::uint8_t* from = src.data();
    std::uint8_t* to = out.data();
    const RoundedMean mean(2 * n + 1);
    const std::int64_t taps = 2 * n + 1;
    std::vector<double> stepY;
    std::vector<std::vector<Stretch>> stretches;
    for (std::int64_t k = -n; k <= n; ++k) {
        stepY.push_back(s * k);
        stretches.push_back(stretchesOfTap(c * k, width));
    }
    std::vector<Tile> tiles;
    for (std::int64_t x0 = 0; x0 < width; x0 += kTileColumns)
        tiles.push_back(cutTile(x0, std::min(x0 + kTileColumns, width), stretches));
    const double lowest = std::min(stepY.front(), stepY.back()), highest = std::max(stepY.front(), stepY.back());
    parallelFor(height, rowsPerTask(width), [&](std::int64_t y0, std::int64_t y1) {
        FloatPatch patch;
        std::vector<float> sums(kTileColumns * 4);
        std::vector<Axis> ays(static_cast<std::size_t>(taps));
        std::vector<TapRow> rows(static_cast<std::size_t>(taps));
        std::uint8_t sample[4];
        // Tap k's samples of the current output row from source column ax.i0 on.
        auto tapRow = [&](std::int64_t k, const Axis& ax) {
            const Axis& ay = ays[k];
            return TapRow{patch.values(ax.i0, ay.i0),
                          patch.steps(ax.i0, ay.i0),
                          patch.values(ax.i0, ay.i1),
                          patch.steps(ax.i0, ay.i1),
                          from + (ay.i0 * width + ax.i0) * 4,
                          from + (ay.i1 * width + ax.i0) * 4,
                          ax.f,
                          ay.f};
        };
        for (std::int64_t band = y0; band < y1; band += kTileRows) {
            const std::int64_t bandEnd = std::min(band + kTileRows, y1);
            // The rows the band's taps read: a clamped coordinate only grows with the unclamped one.
            const std::int64_t top = clampAxis(lowest + band, height).i0,
                               bottom = clampAxis(highest + (bandEnd - 1), height).i1 + 1;
            for (const Tile& tile : tiles) {
                // |c * k| <= n, so the tile's runs read columns within n of it.
                patch.fill(from, width, std::max<std::int64_t>(tile.x0 - n, 0), std::min(tile.x1 + n, width - 1), top,
                           bottom, kernel);
                for (std::int64_t y = band; y < bandEnd; ++y) {
                    std::fill(sums.begin(), sums.end(), 0.0f);
                    for (std::int64_t k = 0; k < taps; ++k) ays[k] = clampAxis(stepY[k] + y, height);
                    std::size_t next = 0; // the next shared span's axes in tile.firsts
                    for (const Span& span : tile.spans) {
                        if (span.shared) {
                            for (std::int64_t k = 0; k < taps; ++k) rows[k] = tapRow(k, tile.firsts[next++]);
                            kernel.add(rows.data(), taps, span.end - span.begin,
                                       sums.data() + (span.begin - tile.x0) * 4);
                            continue;
                        }
                        for (std::int64_t k = 0; k < taps; ++k)
                            for (const Stretch& piece : tile.pieces[k]) {
                                if (piece.end <= span.begin || piece.begin >= span.end) continue;
                                const std::int64_t begin = std::max(piece.begin, span.begin);
                                const Axis ax = axisAt(piece, begin);
                                float* at = sums.data() + (begin - tile.x0) * 4;
                                if (ax.i1 == ax.i0 + 1) {
                                    const TapRow row = tapRow(k, ax);
                                    kernel.add(&row, 1, std::min(piece.end, span.end) - begin, at);
                                    continue;
                                }
                                const std::uint8_t* p = from + (ays[k].i0 * width + ax.i0) * 4;
                                const std::uint8_t* q = from + (ays[k].i1 * width + ax.i0) * 4;
                                blend(p, p, q, q, ax.f, ays[k].f, sample);
                                for (int ch = 0; ch < 4; ++ch) at[ch] += sample[ch];
                            }
                    }
                    kernel.means(sums.data(), (tile.x1 - tile.x0) * 4, mean, to + (y * width + tile.x0) * 4);
                }
            }
        }
    });
}

} // namespace quelso::effects
