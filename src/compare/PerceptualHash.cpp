#include "compare/PerceptualHash.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numbers>

#include "compare/LumaGrid.h"

namespace quelso::PerceptualHash {

namespace {

constexpr int kGrid = kGridSide;
constexpr int kBlock = 8;

// cos(pi (2x + 1) u / 64) for the frequencies kept, u = 1..8.
using Basis = std::array<std::array<double, kGrid>, kBlock>;

Basis basis() {
    Basis table{};
    for (int u = 0; u < kBlock; ++u)
        for (int x = 0; x < kGrid; ++x)
            table[u][x] = std::cos(std::numbers::pi * (2 * x + 1) * (u + 1) / (2.0 * kGrid));
    return table;
}

} // namespace

std::uint64_t of(const PixelImage& image) { return of(LumaGrid::sample(image, kGrid, kGrid)); }

std::uint64_t of(const LumaGrid::Plane& luma) {
    static const Basis cosines = basis();
    // Rows first: for each grid row, its 8 kept horizontal frequencies.
    std::array<std::array<double, kBlock>, kGrid> rows{};
    for (int y = 0; y < kGrid; ++y)
        for (int u = 0; u < kBlock; ++u) {
            double sum = 0.0;
            for (int x = 0; x < kGrid; ++x) sum += luma.values[static_cast<std::size_t>(y * kGrid + x)] * cosines[u][x];
            rows[y][u] = sum;
        }
    std::array<double, kBlock * kBlock> block{};
    for (int v = 0; v < kBlock; ++v)
        for (int u = 0; u < kBlock; ++u) {
            double sum = 0.0;
            for (int y = 0; y < kGrid; ++y) sum += rows[y][u] * cosines[v][y];
            block[static_cast<std::size_t>(v * kBlock + u)] = sum;
        }
    std::array<double, kBlock* kBlock> sorted = block;
    std::sort(sorted.begin(), sorted.end());
    const double median = (sorted[31] + sorted[32]) / 2.0;
    std::uint64_t hash = 0;
    for (std::size_t i = 0; i < block.size(); ++i)
        if (block[i] > median) hash |= std::uint64_t{1} << i;
    return hash;
}

int distance(std::uint64_t a, std::uint64_t b) { return std::popcount(a ^ b); }

} // namespace quelso::PerceptualHash
