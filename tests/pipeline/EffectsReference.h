#pragma once
// Plain transcriptions of the effects and the random steps as written: one pixel at a time,
// sequential, no tables, no running tricks, and a generator of their own. The optimised code
// is measured against these, in the tests byte for byte and in the benchmark for speed.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "pipeline/ProcessingSettings.h"

namespace quelso::reference {

using Bytes = std::vector<std::uint8_t>;

struct Rng {
    std::uint64_t state;

    std::uint64_t next() {
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t below(std::uint64_t n) {
        unsigned __int128 product = static_cast<unsigned __int128>(next()) * n;
        auto low = static_cast<std::uint64_t>(product);
        if (low < n) {
            const std::uint64_t t = (0 - n) % n; // (2^64 - n) mod n
            while (low < t) {
                product = static_cast<unsigned __int128>(next()) * n;
                low = static_cast<std::uint64_t>(product);
            }
        }
        return static_cast<std::uint64_t>(product >> 64);
    }

    std::int64_t integer(std::int64_t lo, std::int64_t hi) {
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(lo) +
                                         below(static_cast<std::uint64_t>(hi) - static_cast<std::uint64_t>(lo) + 1));
    }

    double real(double lo, double hi) {
        const std::uint64_t r = below((1ull << 53) + 1);
        if (r == 1ull << 53) return hi;
        return (static_cast<double>(r) * std::ldexp(1.0, -53)) * (hi - lo) + lo;
    }
};

// round half away from zero, then 0..255 (NaN gives 0).
inline std::uint8_t toByte(double v) {
    const double r = std::round(v);
    if (!(r >= 0)) return 0;
    return r > 255 ? 255 : static_cast<std::uint8_t>(r);
}

inline std::int64_t clampIndex(std::int64_t i, std::int64_t n) { return std::clamp<std::int64_t>(i, 0, n - 1); }

inline std::uint8_t& at(Bytes& rgba, std::int64_t width, std::int64_t x, std::int64_t y, int c) {
    return rgba[static_cast<std::size_t>((y * width + x) * 4 + c)];
}

inline void boxBlur(Bytes& rgba, std::int64_t width, std::int64_t height, std::int64_t r) {
    if (r < 1 || width < 1 || height < 1) return;
    const std::int64_t divisor = 2 * r + 1;
    Bytes t = rgba;
    for (std::int64_t y = 0; y < height; ++y)
        for (int c = 0; c < 3; ++c) {
            std::int64_t sum = 0;
            for (std::int64_t k = -r; k <= r; ++k) sum += at(rgba, width, clampIndex(k, width), y, c);
            for (std::int64_t x = 0; x < width; ++x) {
                at(t, width, x, y, c) = static_cast<std::uint8_t>(sum / divisor);
                sum = sum + at(rgba, width, clampIndex(x + r + 1, width), y, c) -
                      at(rgba, width, clampIndex(x - r, width), y, c);
            }
        }
    for (std::int64_t x = 0; x < width; ++x)
        for (int c = 0; c < 3; ++c) {
            std::int64_t sum = 0;
            for (std::int64_t k = -r; k <= r; ++k) sum += at(t, width, x, clampIndex(k, height), c);
            for (std::int64_t y = 0; y < height; ++y) {
                at(rgba, width, x, y, c) = static_cast<std::uint8_t>(sum / divisor);
                sum = sum + at(t, width, x, clampIndex(y + r + 1, height), c) -
                      at(t, width, x, clampIndex(y - r, height), c);
            }
        }
}

inline void sharpen(Bytes& rgba, std::int64_t width, std::int64_t height, double intensity) {
    const double k = intensity * 1.2;
    Bytes blurred = rgba;
    boxBlur(blurred, width, height, 1);
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
        if (d < limit) {
            const double w = 1 - d / limit;
            rgba[i] = toByte((tr - r) * w + r);
            rgba[i + 1] = toByte((tg - g) * w + g);
            rgba[i + 2] = toByte((tb - b) * w + b);
        }
    }
}

inline void brightnessContrast(Bytes& rgba, double intensity) {
    const double g = 1 + intensity * 0.12, b = intensity * 4.0;
    for (std::size_t i = 0; i < rgba.size(); ++i)
        if (i % 4 != 3) rgba[i] = toByte(((g * (rgba[i] - 128)) + 128) + b);
}

inline void vignette(Bytes& rgba, std::int64_t width, std::int64_t height, double intensity) {
    const double s = intensity * 0.55;
    if (!(s > 0)) return;
    const double cx = width * 0.5, cy = height * 0.5;
    const double m = std::sqrt(cy * cy + cx * cx);
    for (std::int64_t y = 0; y < height; ++y)
        for (std::int64_t x = 0; x < width; ++x) {
            const double d = std::sqrt((y - cy) * (y - cy) + (x - cx) * (x - cx)) / m;
            const double f = 1 - d * (s * d);
            for (int c = 0; c < 3; ++c) at(rgba, width, x, y, c) = toByte(f * at(rgba, width, x, y, c));
        }
}

inline std::uint8_t plus(std::uint8_t c, std::int64_t d) {
    return static_cast<std::uint8_t>(std::clamp<__int128>(static_cast<__int128>(c) + d, 0, 255));
}

inline void grain(Bytes& rgba, double intensity, Rng& rng) {
    const double n = std::round(intensity * 20);
    if (!(n >= 1)) return;
    // Counts beyond the 64-bit range saturate.
    const std::int64_t span = n >= 0x1p63 ? INT64_MAX : static_cast<std::int64_t>(n);
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        const std::int64_t d = rng.integer(-span, span);
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

inline void noise(Bytes& rgba, std::int64_t s, Rng& rng) {
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        for (int c = 0; c < 3; ++c) {
            const std::int64_t a = rng.integer(-s, s);
            const std::int64_t b = rng.integer(-s, s);
            const auto d = static_cast<std::int64_t>((static_cast<__int128>(a) + b) / 2);
            rgba[i + c] = plus(rgba[i + c], d);
        }
}

struct Pixel {
    std::uint8_t c[4];
};

inline Pixel bilinear(const Bytes& src, std::int64_t width, std::int64_t height, double x, double y) {
    const double xc = (std::isnan(x) || x < 0) ? 0.0 : std::min(x, static_cast<double>(width - 1));
    const double yc = (std::isnan(y) || y < 0) ? 0.0 : std::min(y, static_cast<double>(height - 1));
    const auto x0 = static_cast<std::int64_t>(xc), y0 = static_cast<std::int64_t>(yc);
    const std::int64_t x1 = std::min(x0 + 1, width - 1), y1 = std::min(y0 + 1, height - 1);
    const double fx = xc - x0, fy = yc - y0;
    Pixel out{};
    for (int c = 0; c < 4; ++c) {
        const double p00 = src[(y0 * width + x0) * 4 + c], p10 = src[(y0 * width + x1) * 4 + c];
        const double p01 = src[(y1 * width + x0) * 4 + c], p11 = src[(y1 * width + x1) * 4 + c];
        const double top = fx * (p10 - p00) + p00;
        const double bottom = fx * (p11 - p01) + p01;
        out.c[c] = toByte(top + fy * (bottom - top));
    }
    return out;
}

constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;

template <typename Source>
Bytes resample(const Bytes& src, std::int64_t width, std::int64_t height, const Source& source) {
    Bytes out(src.size());
    for (std::int64_t y = 0; y < height; ++y)
        for (std::int64_t x = 0; x < width; ++x) {
            const Pixel p = source(x, y);
            std::copy(p.c, p.c + 4, out.begin() + (y * width + x) * 4);
        }
    return out;
}

inline Bytes warp(const Bytes& src, std::int64_t width, std::int64_t height, double a) {
    return resample(src, width, height, [&](std::int64_t x, std::int64_t y) {
        const double sx = a * std::sin((y * kTwoPi) / (height / 3.0)) + x;
        const double sy = a * std::sin((x * kTwoPi) / (width / 3.0)) + y;
        return bilinear(src, width, height, sx, sy);
    });
}

inline Bytes wave(const Bytes& src, std::int64_t width, std::int64_t height, double a) {
    return resample(src, width, height, [&](std::int64_t x, std::int64_t y) {
        const double sx = a * std::sin((y * kTwoPi) / (height / 6.0)) + x;
        const double sy = a * std::cos((x * kTwoPi) / (width / 6.0)) + y;
        return bilinear(src, width, height, sx, sy);
    });
}

inline Bytes twirl(const Bytes& src, std::int64_t width, std::int64_t height, double theta) {
    const double cx = width * 0.5, cy = height * 0.5;
    const double r = std::min(cx, cy) * 0.95;
    return resample(src, width, height, [&](std::int64_t x, std::int64_t y) {
        const double dx = x - cx, dy = y - cy;
        const double d = std::sqrt(dy * dy + dx * dx);
        if (d < r) {
            const double t = 1 - d / r;
            const double a = t * (theta * t);
            const double s = std::sin(a), c = std::cos(a);
            return bilinear(src, width, height, (cx + dx * c) - dy * s, dy * c + (cy + dx * s));
        }
        Pixel p{};
        std::copy_n(src.begin() + (y * width + x) * 4, 4, p.c);
        return p;
    });
}

inline Bytes motionBlur(const Bytes& src, std::int64_t width, std::int64_t height, std::int64_t n, double angle) {
    const double phi = (angle * kPi) / 180;
    const double s = std::sin(phi), c = std::cos(phi);
    return resample(src, width, height, [&](std::int64_t x, std::int64_t y) {
        double sums[4] = {0, 0, 0, 0};
        for (std::int64_t k = -n; k <= n; ++k) {
            const Pixel p = bilinear(src, width, height, c * k + x, s * k + y);
            for (int ch = 0; ch < 4; ++ch) sums[ch] += p.c[ch];
        }
        Pixel out{};
        for (int ch = 0; ch < 4; ++ch) out.c[ch] = toByte(sums[ch] / (2 * n + 1));
        return out;
    });
}

// Steps 2 to 13 of the chain on a raster of the given size, with the conditions and derived
// parameters of the chain (motion blur's half-length limited to 22, as the chain does).
inline void chain(Bytes& rgba, std::int64_t w, std::int64_t h, const ProcessingSettings& s, Rng& rng) {
    if (s.warpEnabled && s.warpIntensity * 3.5 > 0.05) rgba = warp(rgba, w, h, s.warpIntensity * 3.5);
    if (s.waveEnabled && s.waveIntensity * 12 > 0.1) rgba = wave(rgba, w, h, s.waveIntensity * 12);
    if (s.twirlEnabled && s.twirlIntensity * kPi / 2 > 0.01) rgba = twirl(rgba, w, h, s.twirlIntensity * kPi / 2);
    const double n = std::round(s.motionBlurIntensity * 22);
    if (s.motionBlurEnabled && n >= 1)
        rgba = motionBlur(rgba, w, h, static_cast<std::int64_t>(std::min(n, 22.0)), s.motionBlurAngle);
    const double r = std::round(s.blurIntensity * 3);
    if (s.blurEnabled && r >= 1) boxBlur(rgba, w, h, static_cast<std::int64_t>(r));
    if (s.sharpenEnabled) sharpen(rgba, w, h, s.sharpenIntensity);
    if (s.colorReplaceEnabled)
        colorReplace(rgba, s.colorReplaceFrom, s.colorReplaceTo, s.colorReplaceTolerance);
    if (s.bcEnabled) brightnessContrast(rgba, s.bcIntensity);
    if (s.vignetteEnabled && s.vignetteIntensity * 0.55 > 0) vignette(rgba, w, h, s.vignetteIntensity);
    if (s.colorShift) colorShift(rgba, rng);
    if (s.noiseEnabled && s.noiseStrength >= 1) noise(rgba, s.noiseStrength, rng);
    if (s.grainEnabled) grain(rgba, s.grainIntensity, rng);
}

} // namespace quelso::reference
