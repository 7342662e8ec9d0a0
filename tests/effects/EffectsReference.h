#pragma once
// Plain transcriptions of the effects and the random steps as written: one pixel at a time,
// sequential, no lookup tables, no running tricks, and a generator of their own; strengths
// become parameters through the chain's own strength table. The optimised code is measured
// against these, in the tests byte for byte and in the benchmark for speed.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/PixelMath.h"
#include "effects/Strength.h"
#include "settings/ProcessingSettings.h"

namespace quelso::reference {

using Bytes = std::vector<std::uint8_t>;
using I = std::int64_t;
using Pixel = std::array<std::uint8_t, 4>;
namespace strength = effects::strength;

struct Rng {
    std::uint64_t state;

    std::uint64_t next() {
        std::uint64_t z = state += 0x9E3779B97F4A7C15ull;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t below(std::uint64_t n) {
        unsigned __int128 m = static_cast<unsigned __int128>(next()) * n;
        if (static_cast<std::uint64_t>(m) < n) // t = (2^64 - n) mod n
            while (static_cast<std::uint64_t>(m) < (0 - n) % n) m = static_cast<unsigned __int128>(next()) * n;
        return static_cast<std::uint64_t>(m >> 64);
    }
    I integer(I lo, I hi) {
        return static_cast<I>(static_cast<std::uint64_t>(lo) +
                              below(static_cast<std::uint64_t>(hi) - static_cast<std::uint64_t>(lo) + 1));
    }
    double real(double lo, double hi) {
        const std::uint64_t r = below((1ull << 53) + 1);
        return r == 1ull << 53 ? hi : (static_cast<double>(r) * 0x1p-53) * (hi - lo) + lo;
    }
};

// round half away from zero, then 0..255 (NaN gives 0).
inline std::uint8_t toByte(double v) {
    const double r = std::round(v);
    return r >= 0 ? static_cast<std::uint8_t>(std::min(r, 255.0)) : 0;
}

inline std::uint8_t plus(std::uint8_t c, I d) {
    return static_cast<std::uint8_t>(std::clamp<__int128>(static_cast<__int128>(c) + d, 0, 255));
}

// Channel c of pixel (x, y), coordinates clamped to the edge.
inline std::uint8_t& at(Bytes& p, I w, I h, I x, I y, int c) {
    return p[static_cast<std::size_t>((std::clamp<I>(y, 0, h - 1) * w + std::clamp<I>(x, 0, w - 1)) * 4 + c)];
}

inline void boxBlur(Bytes& rgba, I w, I h, I r) {
    if (r < 1 || w < 1 || h < 1) return;
    // The running-sum pass over every row (or every column) from src into dst.
    auto pass = [&](Bytes& src, Bytes& dst, bool vertical) {
        auto px = [&](Bytes& b, I line, I i, int c) -> std::uint8_t& {
            return vertical ? at(b, w, h, line, i, c) : at(b, w, h, i, line, c);
        };
        for (I line = 0; line < (vertical ? w : h); ++line)
            for (int c = 0; c < 3; ++c) {
                I sum = 0;
                for (I k = -r; k <= r; ++k) sum += px(src, line, k, c);
                for (I i = 0; i < (vertical ? h : w); ++i) {
                    px(dst, line, i, c) = static_cast<std::uint8_t>(sum / (2 * r + 1));
                    sum = sum + px(src, line, i + r + 1, c) - px(src, line, i - r, c);
                }
            }
    };
    Bytes t = rgba;
    pass(rgba, t, false);
    pass(t, rgba, true);
}

inline void sharpen(Bytes& rgba, I w, I h, double intensity) {
    const double k = strength::sharpenAmount(intensity);
    Bytes blurred = rgba;
    boxBlur(blurred, w, h, 1);
    for (std::size_t i = 0; i < rgba.size(); ++i)
        if (i % 4 != 3) rgba[i] = toByte(k * (rgba[i] - blurred[i]) + rgba[i]);
}

inline void colorReplace(Bytes& rgba, RGBColor from, RGBColor to, double tolerance) {
    const double fr = from.r * 255, fg = from.g * 255, fb = from.b * 255;
    const double tr = to.r * 255, tg = to.g * 255, tb = to.b * 255;
    const double limit = std::max(tolerance * 441.673, 1.0);
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        const double r = rgba[i], g = rgba[i + 1], b = rgba[i + 2];
        const double d = std::sqrt((g - fg) * (g - fg) + (r - fr) * (r - fr) + (b - fb) * (b - fb));
        if (!(d < limit)) continue;
        const double wt = 1 - d / limit;
        rgba[i] = toByte((tr - r) * wt + r);
        rgba[i + 1] = toByte((tg - g) * wt + g);
        rgba[i + 2] = toByte((tb - b) * wt + b);
    }
}

inline void brightnessContrast(Bytes& rgba, double intensity) {
    const auto [g, b] = strength::toneLine(intensity);
    for (std::size_t i = 0; i < rgba.size(); ++i)
        if (i % 4 != 3) rgba[i] = toByte(((g * (rgba[i] - 128)) + 128) + b);
}

inline void vignette(Bytes& rgba, I w, I h, double intensity) {
    const auto darkening = strength::vignetteStrength(intensity);
    if (!darkening) return;
    const double s = *darkening;
    const double cx = w * 0.5, cy = h * 0.5, m = std::sqrt(cy * cy + cx * cx);
    for (I y = 0; y < h; ++y)
        for (I x = 0; x < w; ++x) {
            const double d = std::sqrt((y - cy) * (y - cy) + (x - cx) * (x - cx)) / m;
            const double f = 1 - d * (s * d);
            for (int c = 0; c < 3; ++c) at(rgba, w, h, x, y, c) = toByte(f * at(rgba, w, h, x, y, c));
        }
}

inline void grain(Bytes& rgba, double intensity, Rng& rng) {
    const auto largestStep = strength::grainSpan(intensity);
    if (!largestStep) return;
    const I span = *largestStep;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        const I d = rng.integer(-span, span);
        for (int c = 0; c < 3; ++c) rgba[i + c] = plus(rgba[i + c], d);
    }
}

inline void colorShift(Bytes& rgba, Rng& rng) {
    double gain[3], offset[3];
    for (double& g : gain) g = rng.real(0.99, 1.01);
    for (double& o : offset) o = rng.real(-1.5, 1.5);
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        for (int c = 0; c < 3; ++c) rgba[i + c] = toByte(offset[c] + gain[c] * rgba[i + c]);
}

inline void noise(Bytes& rgba, I s, Rng& rng) {
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        for (int c = 0; c < 3; ++c) {
            const I a = rng.integer(-s, s), b = rng.integer(-s, s);
            rgba[i + c] = plus(rgba[i + c], static_cast<I>((static_cast<__int128>(a) + b) / 2));
        }
}

inline Pixel bilinear(const Bytes& src, I w, I h, double x, double y) {
    const double xc = (std::isnan(x) || x < 0) ? 0.0 : std::min(x, static_cast<double>(w - 1));
    const double yc = (std::isnan(y) || y < 0) ? 0.0 : std::min(y, static_cast<double>(h - 1));
    const auto x0 = static_cast<I>(xc), y0 = static_cast<I>(yc);
    const I x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
    const double fx = xc - x0, fy = yc - y0;
    Pixel out{};
    for (int c = 0; c < 4; ++c) {
        const double p00 = src[(y0 * w + x0) * 4 + c], p10 = src[(y0 * w + x1) * 4 + c];
        const double p01 = src[(y1 * w + x0) * 4 + c], p11 = src[(y1 * w + x1) * 4 + c];
        const double top = fx * (p10 - p00) + p00, bottom = fx * (p11 - p01) + p01;
        out[c] = toByte(top + fy * (bottom - top));
    }
    return out;
}

// A new raster whose pixel (x, y) is source(x, y).
template <typename Source>
Bytes resample(const Bytes& src, I w, I h, const Source& source) {
    Bytes out(src.size());
    for (I y = 0; y < h; ++y)
        for (I x = 0; x < w; ++x) std::ranges::copy(source(x, y), out.begin() + (y * w + x) * 4);
    return out;
}

inline Bytes warp(const Bytes& src, I w, I h, double a) {
    return resample(src, w, h, [&](I x, I y) {
        return bilinear(src, w, h, a * std::sin((y * (2 * kPi)) / (h / 3.0)) + x,
                        a * std::sin((x * (2 * kPi)) / (w / 3.0)) + y);
    });
}

inline Bytes wave(const Bytes& src, I w, I h, double a) {
    return resample(src, w, h, [&](I x, I y) {
        return bilinear(src, w, h, a * std::sin((y * (2 * kPi)) / (h / 6.0)) + x,
                        a * std::cos((x * (2 * kPi)) / (w / 6.0)) + y);
    });
}

inline Bytes twirl(const Bytes& src, I w, I h, double theta) {
    const double cx = w * 0.5, cy = h * 0.5, r = std::min(cx, cy) * 0.95;
    return resample(src, w, h, [&](I x, I y) {
        const double dx = x - cx, dy = y - cy, d = std::sqrt(dy * dy + dx * dx);
        const std::uint8_t* p = &src[(y * w + x) * 4];
        if (!(d < r)) return Pixel{p[0], p[1], p[2], p[3]};
        const double t = 1 - d / r, a = t * (theta * t), s = std::sin(a), c = std::cos(a);
        return bilinear(src, w, h, (cx + dx * c) - dy * s, dy * c + (cy + dx * s));
    });
}

inline Bytes motionBlur(const Bytes& src, I w, I h, I n, double angle) {
    const double phi = (angle * kPi) / 180, s = std::sin(phi), c = std::cos(phi);
    return resample(src, w, h, [&](I x, I y) {
        double sums[4] = {0, 0, 0, 0};
        for (I k = -n; k <= n; ++k) {
            const Pixel p = bilinear(src, w, h, c * k + x, s * k + y);
            for (int ch = 0; ch < 4; ++ch) sums[ch] += p[ch];
        }
        Pixel out{};
        for (int ch = 0; ch < 4; ++ch) out[ch] = toByte(sums[ch] / (2 * n + 1));
        return out;
    });
}

// Steps 2 to 13 of the chain on a raster of the given size, with the conditions and derived
// parameters of the chain.
inline void chain(Bytes& rgba, I w, I h, const ProcessingSettings& s, Rng& rng) {
    if (const auto a = strength::warpAmplitude(s.warpIntensity); s.warpEnabled && a) rgba = warp(rgba, w, h, *a);
    if (const auto a = strength::waveAmplitude(s.waveIntensity); s.waveEnabled && a) rgba = wave(rgba, w, h, *a);
    if (const auto a = strength::twirlAngle(s.twirlIntensity); s.twirlEnabled && a) rgba = twirl(rgba, w, h, *a);
    if (const auto n = strength::motionBlurHalfLength(s.motionBlurIntensity); s.motionBlurEnabled && n)
        rgba = motionBlur(rgba, w, h, *n, s.motionBlurAngle);
    if (const auto r = strength::blurRadius(s.blurIntensity); s.blurEnabled && r) boxBlur(rgba, w, h, *r);
    if (s.sharpenEnabled) sharpen(rgba, w, h, s.sharpenIntensity);
    if (s.colorReplaceEnabled) colorReplace(rgba, s.colorReplaceFrom, s.colorReplaceTo, s.colorReplaceTolerance);
    if (s.bcEnabled) brightnessContrast(rgba, s.bcIntensity);
    if (s.vignetteEnabled) vignette(rgba, w, h, s.vignetteIntensity);
    if (s.colorShift) colorShift(rgba, rng);
    if (s.noiseEnabled && s.noiseStrength >= 1) noise(rgba, s.noiseStrength, rng);
    if (s.grainEnabled) grain(rgba, s.grainIntensity, rng);
}

} // namespace quelso::reference
