// The optimised effects against the plain transcriptions in EffectsReference.h, byte for byte,
// on random rasters of awkward sizes and with different numbers of worker threads; the random
// steps also against the generator state, including draws that nextBelow rejects.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "EffectsReference.h"
#include "pipeline/Effects.h"
#include "pipeline/Parallel.h"
#include "pipeline/effects/SeededRuns.h"

namespace quelso {
namespace {

struct Size {
    std::int64_t w, h;
};

// Sizes of one pixel, one row, one column, odd, and large enough to be cut into several
// chunks and bands (641 x 359 gives 7 parallel tasks) that do not divide evenly.
const Size kSizes[] = {{1, 1}, {1, 9}, {11, 1}, {2, 2}, {3, 5}, {17, 13}, {64, 3}, {5, 300}, {641, 359}};
const int kWorkerCounts[] = {1, 2, 3, 7};

// Random pixels with many saturated and near-saturated values so that every clamp is hit.
Bytes randomRaster(Size s, std::uint64_t seed) {
    reference::Rng rng{seed};
    Bytes out(static_cast<std::size_t>(s.w * s.h * 4));
    for (std::uint8_t& b : out) {
        const std::uint64_t v = rng.next();
        b = (v & 7) == 0 ? ((v >> 3) & 1 ? 255 : 0) : static_cast<std::uint8_t>(v >> 8);
    }
    return out;
}

std::string label(Size s, int workers) {
    return std::to_string(s.w) + "x" + std::to_string(s.h) + " on " + std::to_string(workers) + " workers";
}

class Workers {
public:
    explicit Workers(int n) { setWorkerCount(n); }
    ~Workers() { setWorkerCount(0); }
};

// Runs check(size, raster, label) for every size and worker count.
template <typename Check>
void forEveryCase(const Check& check) {
    std::uint64_t seed = 1;
    for (int workers : kWorkerCounts) {
        Workers scope(workers);
        for (Size s : kSizes) check(s, randomRaster(s, seed++), label(s, workers));
    }
}

TEST(EffectsExactness, FiltersMatchTheReference) {
    forEveryCase([](Size s, const Bytes& src, const std::string& where) {
        for (std::int64_t r : {1, 2, 3, 9, 40}) {
            Bytes fast = src, plain = src;
            effects::boxBlur(fast, s.w, s.h, r);
            reference::boxBlur(plain, s.w, s.h, r);
            ASSERT_EQ(fast, plain) << "blur " << r << " " << where;
        }
        for (double i : {0.4, 1.0, 3.7}) {
            Bytes fast = src, plain = src;
            effects::sharpen(fast, s.w, s.h, i);
            reference::sharpen(plain, s.w, s.h, i);
            ASSERT_EQ(fast, plain) << "sharpen " << i << " " << where;
        }
        for (double tolerance : {0.0, 0.18, 0.7}) {
            Bytes fast = src, plain = src;
            effects::colorReplace(fast, {0.2, 0.5, 0.9}, {1.0, 0.45, 0.0}, tolerance);
            reference::colorReplace(plain, {0.2, 0.5, 0.9}, {1.0, 0.45, 0.0}, tolerance);
            ASSERT_EQ(fast, plain) << "colour replace " << tolerance << " " << where;
        }
        for (double i : {0.3, 1.0, -2.0}) {
            Bytes fast = src, plain = src;
            effects::brightnessContrast(fast, i);
            reference::brightnessContrast(plain, i);
            ASSERT_EQ(fast, plain) << "brightness " << i << " " << where;
            fast = plain = src;
            effects::vignette(fast, s.w, s.h, i);
            reference::vignette(plain, s.w, s.h, i);
            ASSERT_EQ(fast, plain) << "vignette " << i << " " << where;
        }
    });
}

TEST(EffectsExactness, DistortionsMatchTheReference) {
    forEveryCase([](Size s, const Bytes& src, const std::string& where) {
        for (double a : {0.3 * 3.5, 3.5}) ASSERT_EQ(effects::warp(src, s.w, s.h, a), reference::warp(src, s.w, s.h, a)) << where;
        for (double a : {0.3 * 12, 12.0}) ASSERT_EQ(effects::wave(src, s.w, s.h, a), reference::wave(src, s.w, s.h, a)) << where;
        for (double t : {0.3 * M_PI / 2, M_PI / 2, -4.0})
            ASSERT_EQ(effects::twirl(src, s.w, s.h, t), reference::twirl(src, s.w, s.h, t)) << where;
    });
}

TEST(EffectsExactness, MotionBlurMatchesTheReferenceAtEveryKindOfAngle) {
    // Axis angles (taken by running sums), their neighbours, and slanted ones.
    const double angles[] = {0, 90, 180, 270, 360, -90, 1e-9, 0.0001, 45, 33.3, 200};
    forEveryCase([&](Size s, const Bytes& src, const std::string& where) {
        if (s.w * s.h > 50000) return; // the slanted reference is slow on the big raster; see below
        for (std::int64_t n : {1, 7, 22})
            for (double angle : angles)
                ASSERT_EQ(effects::motionBlur(src, s.w, s.h, n, angle), reference::motionBlur(src, s.w, s.h, n, angle))
                    << "n " << n << " angle " << angle << " " << where;
    });
    const Size big{641, 359};
    const Bytes src = randomRaster(big, 99);
    for (int workers : {2, 7}) {
        Workers scope(workers);
        for (double angle : {0.0, 90.0, 33.3})
            ASSERT_EQ(effects::motionBlur(src, big.w, big.h, 22, angle), reference::motionBlur(src, big.w, big.h, 22, angle))
                << angle << " " << label(big, workers);
    }
}

// Runs a random step both ways from one seed: the bytes and the final generator states must
// agree. Returns the final state.
template <typename Fast, typename Plain>
std::uint64_t expectSameRandomStep(const Bytes& src, std::uint64_t seed, const Fast& fast, const Plain& plain,
                                   const std::string& what) {
    Bytes a = src, b = src;
    SplitMix64 g(seed);
    reference::Rng r{seed};
    fast(a, g);
    plain(b, r);
    EXPECT_EQ(a, b) << what;
    EXPECT_EQ(g.state, r.state) << what;
    return r.state;
}

TEST(EffectsExactness, RandomStepsMatchBytesAndGeneratorState) {
    forEveryCase([](Size s, const Bytes& src, const std::string& where) {
        const std::uint64_t seed = 0x5EED0000u + static_cast<std::uint64_t>(s.w * 1000 + s.h);
        expectSameRandomStep(
            src, seed, [](Bytes& b, SplitMix64& g) { effects::colorShift(b, g); },
            [](Bytes& b, reference::Rng& r) { reference::colorShift(b, r); }, "colour shift " + where);
        for (std::int64_t strength : {1, 2, 8})
            expectSameRandomStep(
                src, seed, [&](Bytes& b, SplitMix64& g) { effects::noise(b, strength, g); },
                [&](Bytes& b, reference::Rng& r) { reference::noise(b, strength, r); },
                "noise " + std::to_string(strength) + " " + where);
        for (double i : {0.05, 0.35, 1.0})
            expectSameRandomStep(
                src, seed, [&](Bytes& b, SplitMix64& g) { effects::grain(b, i, g); },
                [&](Bytes& b, reference::Rng& r) { reference::grain(b, i, r); },
                "grain " + std::to_string(i) + " " + where);
    });
}

// nextBelow(n) rejects the draw 0 for every odd n > 1 (0 * n = 0 < 2^64 mod n), and SplitMix64
// maps state 0 to 0. So a generator seeded with -(k + 1) * gamma rejects its draw number k.
std::uint64_t seedRejectingDraw(std::uint64_t k) { return 0 - (k + 1) * SplitMix64::gamma; }

std::uint64_t afterDraws(std::uint64_t seed, std::int64_t draws) {
    return seed + static_cast<std::uint64_t>(draws) * SplitMix64::gamma;
}

TEST(EffectsExactness, RejectedDrawsShiftLaterPixelsExactlyAsInOnePass) {
    const Size big{641, 359};
    const Bytes src = randomRaster(big, 7);
    const std::int64_t pixels = big.w * big.h;
    // Rejections in the first pixel, mid-way through the first task, in a later task, and in the
    // last pixel; on one worker and on seven. Each costs exactly one extra draw.
    for (int workers : {1, 7})
        for (std::int64_t pixel : {std::int64_t{0}, std::int64_t{1000}, pixels / 2 + 3, pixels - 1}) {
            Workers scope(workers);
            const std::string where = "rejection in pixel " + std::to_string(pixel) + " on " + std::to_string(workers);
            const std::uint64_t noiseSeed = seedRejectingDraw(static_cast<std::uint64_t>(pixel * 6 + 4));
            EXPECT_EQ(expectSameRandomStep(
                          src, noiseSeed, [](Bytes& b, SplitMix64& g) { effects::noise(b, 2, g); },
                          [](Bytes& b, reference::Rng& r) { reference::noise(b, 2, r); }, "noise, " + where),
                      afterDraws(noiseSeed, pixels * 6 + 1));
            const std::uint64_t grainSeed = seedRejectingDraw(static_cast<std::uint64_t>(pixel));
            EXPECT_EQ(expectSameRandomStep(
                          src, grainSeed, [](Bytes& b, SplitMix64& g) { effects::grain(b, 0.05, g); },
                          [](Bytes& b, reference::Rng& r) { reference::grain(b, 0.05, r); }, "grain, " + where),
                      afterDraws(grainSeed, pixels + 1));
        }
}

TEST(EffectsExactness, RejectionSearchFindsTheDrawAStepByStepScanFinds) {
    for (std::uint64_t bound : {3ull, 5ull, 17ull, 41ull}) {
        const std::uint64_t seed = seedRejectingDraw(1234);
        EXPECT_EQ(effects::firstRejectedDraw(seed, bound, 5000), std::optional<std::uint64_t>(1234)) << bound;
        EXPECT_EQ(effects::firstRejectedDraw(seed, bound, 1234), std::nullopt) << bound;
        // A scan of the stream agrees on an ordinary seed.
        SplitMix64 g(42);
        std::optional<std::uint64_t> scanned;
        const std::uint64_t t = (0 - bound) % bound;
        for (std::uint64_t k = 0; k < 100000 && !scanned; ++k)
            if (static_cast<std::uint64_t>(static_cast<unsigned __int128>(g.next()) * bound) < t) scanned = k;
        EXPECT_EQ(effects::firstRejectedDraw(42, bound, 100000), scanned) << bound;
    }
    EXPECT_TRUE(effects::rejectionsPredictable(41));
    EXPECT_FALSE(effects::rejectionsPredictable(40));
    EXPECT_FALSE(effects::rejectionsPredictable((1ull << 63) + 1)); // half of all draws are rejected
}

TEST(EffectsExactness, HugeStrengthsRejectOftenAndStillMatch) {
    const Size s{37, 23};
    const Bytes src = randomRaster(s, 3);
    Workers scope(3);
    for (std::int64_t strength : {std::int64_t{1} << 62, INT64_MAX}) {
        const std::uint64_t state = expectSameRandomStep(
            src, 11, [&](Bytes& b, SplitMix64& g) { effects::noise(b, strength, g); },
            [&](Bytes& b, reference::Rng& r) { reference::noise(b, strength, r); }, std::to_string(strength));
        if (strength == std::int64_t{1} << 62) { // bound 2^63 + 1: about one draw in four is rejected
            EXPECT_NE(state, afterDraws(11, s.w * s.h * 6));
        }
    }
    for (double i : {2.3e17, 1e300, double(INFINITY)})
        expectSameRandomStep(
            src, 12, [&](Bytes& b, SplitMix64& g) { effects::grain(b, i, g); },
            [&](Bytes& b, reference::Rng& r) { reference::grain(b, i, r); }, std::to_string(i));
    Bytes untouched = src;
    SplitMix64 g(13);
    effects::grain(untouched, NAN, g);
    EXPECT_EQ(untouched, src);
    EXPECT_EQ(g.state, 13u);
}

} // namespace
} // namespace quelso
