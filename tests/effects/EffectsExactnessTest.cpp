// The optimised effects against the plain transcriptions in EffectsReference.h, byte for byte
// and generator state for generator state, on random rasters of awkward sizes, with different
// numbers of worker threads, and with draws that nextBelow rejects.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "EffectsReference.h"
#include "core/Parallel.h"
#include "effects/Effects.h"
#include "effects/SampleRuns.h"

namespace quelso {
namespace {

struct Size {
    std::int64_t w, h;
};

using Outcome = std::pair<Bytes, std::uint64_t>; // the raster and the generator's final state

struct Step {
    std::string name;
    std::function<Outcome(Bytes, Size, std::uint64_t)> fast, plain; // from a raster, its size and a seed
    bool onBig = true; // also on the large raster (slanted motion blur references are slow there)
};

// One side of a step: the statements run over b (the raster), w, h, g (that side's generator) and
// out (a raster of leftovers, as the chain hands the distortions one), each using what it needs.
#define SIDE(Generator, ...)                                                                                           \
    [=](Bytes b, Size s, std::uint64_t seed) {                                                                         \
        Generator g{seed};                                                                                             \
        [[maybe_unused]] const std::int64_t w = s.w, h = s.h;                                                          \
        [[maybe_unused]] Bytes out(b.size(), 0xA5);                                                                    \
        __VA_ARGS__;                                                                                                   \
        return Outcome{std::move(b), g.state};                                                                         \
    }
// `call` is a function of both namespaces with its arguments.
#define BOTH(name, call)                                                                                               \
    Step { name, SIDE(SplitMix64, effects::call), SIDE(reference::Rng, reference::call) }
#define MOVES(name, fn, ...)                                                                                           \
    Step {                                                                                                             \
        name, SIDE(SplitMix64, effects::fn(b, w, h, __VA_ARGS__, out); b.swap(out)),                                   \
            SIDE(reference::Rng, b = reference::fn(b, w, h, __VA_ARGS__))                                              \
    }

std::string named(const std::string& what, double value) { return what + " " + std::to_string(value); }

std::vector<Step> everyStep() {
    const RGBColor from{0.2, 0.5, 0.9}, to{1.0, 0.45, 0.0};
    std::vector<Step> s;
    for (std::int64_t r : {1, 2, 3, 9, 40}) s.push_back(BOTH(named("blur", r), boxBlur(b, w, h, r)));
    for (double i : {0.0, 0.4, 1.0, 3.7}) s.push_back(BOTH(named("sharpen", i), sharpen(b, w, h, i)));
    for (double t : {0.0, 0.18, 0.7}) s.push_back(BOTH(named("colour replace", t), colorReplace(b, from, to, t)));
    for (double i : {0.3, 1.0, -2.0}) {
        s.push_back(BOTH(named("brightness", i), brightnessContrast(b, i)));
        s.push_back(BOTH(named("vignette", i), vignette(b, w, h, i)));
    }
    for (double a : {0.3 * 3.5, 3.5}) s.push_back(MOVES(named("warp", a), warp, a));
    for (double a : {0.3 * 12, 12.0}) s.push_back(MOVES(named("wave", a), wave, a));
    for (double t : {0.3 * M_PI / 2, M_PI / 2, -4.0}) s.push_back(MOVES(named("twirl", t), twirl, t));
    // Axis angles (taken by running sums), their near neighbours, and slanted ones; at 60 and 120
    // degrees the cosine is a hair off 0.5, so whether a sample lands exactly halfway between two
    // pixels depends on how x + c * k rounds, which changes with the power of two around x.
    for (std::int64_t n : {1, 7, 22})
        for (double angle :
             {0.0, 90.0, 180.0, 270.0, 360.0, -90.0, 1e-9, 0.0001, 0.01, 45.0, 33.3, 200.0, 60.0, 120.0}) {
            s.push_back(MOVES(named("motion blur " + std::to_string(n), angle), motionBlur, n, angle));
            s.back().onBig = n == 7 && (angle == 0 || angle == 90 || angle == 33.3 || angle == 60);
        }
    s.push_back(BOTH("colour shift", colorShift(b, g)));
    // Strengths from the slider's range to where nearly every other draw is rejected.
    for (std::int64_t n : {std::int64_t{1}, std::int64_t{2}, std::int64_t{8}, std::int64_t{1} << 62, INT64_MAX})
        s.push_back(BOTH(named("noise", static_cast<double>(n)), noise(b, n, g)));
    for (double i : {0.02, 0.05, 0.35, 1.0, 2.3e17, 1e300, static_cast<double>(INFINITY), static_cast<double>(NAN)})
        s.push_back(BOTH(named("grain", i), grain(b, i, g)));
    return s;
}

// Random pixels with many saturated values so that every clamp is hit.
Bytes randomRaster(Size s, std::uint64_t seed) {
    reference::Rng rng{seed};
    Bytes out(static_cast<std::size_t>(s.w * s.h * 4));
    for (std::uint8_t& b : out) {
        const std::uint64_t v = rng.next();
        b = (v & 7) == 0 ? ((v >> 3) & 1 ? 255 : 0) : static_cast<std::uint8_t>(v >> 8);
    }
    return out;
}

struct Workers {
    explicit Workers(int n) { setWorkerCount(n); }
    ~Workers() { setWorkerCount(0); }
};

struct Lanes {
    explicit Lanes(int n) { effects::limitSampleLanes(n); }
    ~Lanes() { effects::limitSampleLanes(16); }
};

TEST(EffectsExactness, EveryStepMatchesTheReferenceOnEverySizeAndWorkerCount) {
    // One pixel, one row, one column, odd sizes, and one cut into several chunks and bands
    // (641 x 359 gives 7 parallel tasks) that do not divide evenly.
    const Size sizes[] = {{1, 1}, {1, 9}, {11, 1}, {2, 2}, {3, 5}, {17, 13}, {64, 3}, {5, 300}, {641, 359}};
    const std::vector<Step> steps = everyStep();
    std::uint64_t seed = 1;
    for (Size s : sizes) {
        const Bytes src = randomRaster(s, seed++);
        for (const Step& step : steps) {
            if (s.w * s.h > 50000 && !step.onBig) continue;
            const Outcome plain = step.plain(src, s, seed);
            for (int workers : {1, 2, 3, 7}) {
                Workers scope(workers);
                ASSERT_EQ(step.fast(src, s, seed), plain)
                    << step.name << " on " << s.w << "x" << s.h << " with " << workers << " workers";
            }
        }
    }
}

// The slanted blur rounds single-precision samples and redoes those near a half exactly. Bytes of
// two neighbouring values, or of 0 and 255, put many samples on a half or a hair off one: at 30
// and 150 degrees every other tap's vertical fraction is 0.5, at 60 degrees the horizontal one is
// a hair off 0.5; 33.3 and 100 degrees have neither. Every kernel width this machine runs (16 and
// 8 float lanes, and none) must give the reference's bytes, on random bytes too, and past the
// longest smear the vector kernels take. 300 columns make two tiles, with fractions changing at
// 64, 128 and 256; 37 columns leave odd pixels at the ends of runs.
TEST(EffectsExactness, SlantedMotionBlurMatchesTheReferenceNearHalvesOnEveryKernel) {
    const std::uint8_t pairs[][2] = {{100, 101}, {0, 255}};
    for (Size size : {Size{300, 40}, Size{37, 120}})
        for (int raster = 0; raster < 3; ++raster) {
            Bytes src = randomRaster(size, 5);
            reference::Rng rng{static_cast<std::uint64_t>(raster)};
            if (raster < 2)
                for (std::uint8_t& b : src) b = pairs[raster][rng.next() & 1];
            for (double angle : {30.0, 60.0, 150.0, 33.3, 100.0})
                for (std::int64_t n : {7, 22, 70}) {
                    if (n == 70 && angle != 100) continue; // past the kernels' reach all widths share one path
                    const Bytes plain = reference::motionBlur(src, size.w, size.h, n, angle);
                    for (int lanes : {16, 8, 1}) {
                        Lanes scope(lanes);
                        ASSERT_EQ(effects::motionBlur(src, size.w, size.h, n, angle), plain)
                            << "raster " << raster << " of " << size.w << "x" << size.h << " at " << angle
                            << " degrees, n " << n << ", " << lanes << " lanes";
                    }
                }
        }
}

// Each vector kernel on its own: sums of several taps over runs of every length from 1 to 21
// pixels (every kind of tail), against the reference's samples, with fractions that put samples on
// or a hair off halves (exact in 40 bits, so that j + f is exact too); and the means of every sum
// the blur can make, against RoundedMean.
TEST(EffectsExactness, SampleKernelsAddTheReferenceSamplesAndRoundTheirMeans) {
    const Size size{22, 3};
    Bytes src = randomRaster(size, 11);
    reference::Rng rng{11};
    for (std::uint8_t& b : src) b = (rng.next() & 3) == 0 ? b : static_cast<std::uint8_t>(100 + (rng.next() & 1));
    auto exact40 = [](double f) { return std::ldexp(std::round(std::ldexp(f, 40)), -40); };
    const double fractions[] = {0.0, 0.5, 0.25, exact40(1.0 / 3), 0.5 + 0x1p-40, 1 - 0x1p-40};
    for (int lanes : {16, 8}) {
        Lanes scope(lanes);
        const effects::SampleKernel* kernel = effects::sampleKernel();
        if (kernel == nullptr) continue;
        std::vector<float> values(src.size()), steps(src.size());
        for (std::int64_t r = 0; r < size.h; ++r)
            kernel->widen(src.data() + r * size.w * 4, (size.w - 1) * 4, values.data() + r * size.w * 4,
                          steps.data() + r * size.w * 4);
        for (std::int64_t pixels = 1; pixels < size.w; ++pixels) {
            std::vector<effects::TapRow> taps;
            std::vector<float> sums(static_cast<std::size_t>(pixels * 4), 7), expected(sums);
            for (std::int64_t t = 0; t < 3; ++t) {
                const double fx = fractions[(pixels + t) % 6], fy = fractions[(pixels * 5 + t) % 6];
                const std::int64_t top = (t % 2) * size.w * 4, bottom = top + size.w * 4;
                taps.push_back({values.data() + top, steps.data() + top, values.data() + bottom, steps.data() + bottom,
                                src.data() + top, src.data() + bottom, fx, fy});
                for (std::int64_t j = 0; j < pixels; ++j) {
                    const reference::Pixel p = reference::bilinear(src, size.w, size.h, j + fx, t % 2 + fy);
                    for (int ch = 0; ch < 4; ++ch) expected[j * 4 + ch] += p[ch];
                }
            }
            kernel->add(taps.data(), 3, pixels, sums.data());
            ASSERT_EQ(sums, expected) << lanes << " lanes, " << pixels << " pixels";
        }
        for (std::int64_t count : {3, 45, 129}) {
            std::vector<float> sums(static_cast<std::size_t>(count * 255 + 1));
            for (std::size_t i = 0; i < sums.size(); ++i) sums[i] = static_cast<float>(i);
            std::vector<std::uint8_t> means(sums.size()), expected(sums.size());
            const effects::RoundedMean mean(count);
            kernel->means(sums.data(), static_cast<std::int64_t>(sums.size()), mean, means.data());
            for (std::size_t i = 0; i < sums.size(); ++i) expected[i] = toByte(static_cast<double>(i) / count);
            ASSERT_EQ(means, expected) << lanes << " lanes, " << count << " samples";
        }
    }
}

// nextBelow(n) rejects the draw 0 for every odd n > 1 (0 * n = 0 < 2^64 mod n), and SplitMix64
// maps state 0 to 0. So a generator seeded with -(k + 1) * gamma rejects its draw number k.
TEST(EffectsExactness, RejectedDrawsShiftLaterPixelsExactlyAsInOnePass) {
    const Size big{641, 359};
    const Bytes src = randomRaster(big, 7);
    const std::int64_t pixels = big.w * big.h;
    const Step steps[] = {BOTH("noise", noise(b, 2, g)), BOTH("grain", grain(b, 1.0, g))};
    const std::int64_t drawsPerPixel[] = {6, 1}; // bounds 5 and 41
    // On the last draw of the first pixel, of one inside the first task, in a later task and of the
    // last pixel; and on the first draw past the end, where it must cost nothing.
    for (int workers : {1, 7})
        for (std::int64_t pixel : {std::int64_t{0}, std::int64_t{1000}, pixels / 2 + 3, pixels - 1, pixels})
            for (int i = 0; i < 2; ++i) {
                Workers scope(workers);
                const std::int64_t d = drawsPerPixel[i];
                const auto k = static_cast<std::uint64_t>(pixel * d + (pixel < pixels ? d - 1 : 0));
                const std::uint64_t seed = 0 - (k + 1) * SplitMix64::gamma;
                const Outcome plain = steps[i].plain(src, big, seed);
                const std::int64_t draws = pixels * d + (pixel < pixels ? 1 : 0);
                EXPECT_EQ(plain.second, seed + static_cast<std::uint64_t>(draws) * SplitMix64::gamma);
                EXPECT_EQ(steps[i].fast(src, big, seed), plain)
                    << steps[i].name << " rejecting in pixel " << pixel << " with " << workers << " workers";
            }
}

} // namespace
} // namespace quelso
