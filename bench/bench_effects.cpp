// Speed of the effects on a 24-megapixel raster: each step alone and the chain from warp to grain
// with every effect at full strength, on all cores and on one, against the plain sequential
// transcriptions measured in the same run (and checked to give the same bytes). Also the peak
// memory of the chain, in rasters.
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "EffectsReference.h"
#include "core/Parallel.h"
#include "effects/Effects.h"
#include "effects/Strength.h"
#include "pipeline/ImageProcessor.h"

using namespace quelso;
namespace strength = effects::strength;

namespace {

constexpr std::int64_t W = 6000, H = 4000;
constexpr std::uint64_t kSeed = 0x0DDBA11;

Bytes randomRaster() {
    reference::Rng rng{42};
    Bytes out(static_cast<std::size_t>(W * H * 4));
    for (std::size_t i = 0; i < out.size(); i += 8) {
        const std::uint64_t v = rng.next();
        for (int b = 0; b < 8; ++b) out[i + b] = static_cast<std::uint8_t>(v >> (8 * b));
    }
    return out;
}

ProcessingSettings fullStrength(double motionAngle) {
    ProcessingSettings s;
    s.warpEnabled = s.waveEnabled = s.twirlEnabled = s.motionBlurEnabled = true;
    s.blurEnabled = s.sharpenEnabled = s.colorReplaceEnabled = s.bcEnabled = s.vignetteEnabled = true;
    s.colorShift = s.noiseEnabled = s.grainEnabled = true;
    s.warpIntensity = s.waveIntensity = s.twirlIntensity = s.motionBlurIntensity = 1.0;
    s.blurIntensity = s.sharpenIntensity = s.bcIntensity = s.vignetteIntensity = s.grainIntensity = 1.0;
    s.colorReplaceTolerance = 1.0;
    s.noiseStrength = 8;
    s.motionBlurAngle = motionAngle;
    s.forceUnique = false;
    return s;
}

// The parameters of every effect at full strength.
const double kWarp = *strength::warpAmplitude(1), kWave = *strength::waveAmplitude(1),
             kTwirl = *strength::twirlAngle(1);
const std::int64_t kSmear = *strength::motionBlurHalfLength(1), kBlur = *strength::blurRadius(1);

// The chain from warp to grain as ImageProcessor::process runs it, every step switched on at
// full strength.
void fastChain(Bytes& r, std::int64_t h, const ProcessingSettings& s, SplitMix64& rng) {
    Bytes spare; // the raster before last, reused by the next distortion
    effects::warp(r, W, h, kWarp, spare);
    r.swap(spare);
    effects::wave(r, W, h, kWave, spare);
    r.swap(spare);
    effects::twirl(r, W, h, kTwirl, spare);
    r.swap(spare);
    effects::motionBlur(r, W, h, kSmear, s.motionBlurAngle, spare);
    r.swap(spare);
    Bytes().swap(spare);
    effects::boxBlur(r, W, h, kBlur);
    effects::sharpen(r, W, h, s.sharpenIntensity);
    effects::colorReplace(r, s.colorReplaceFrom, s.colorReplaceTo, s.colorReplaceTolerance);
    effects::brightnessContrast(r, s.bcIntensity);
    effects::vignette(r, W, h, s.vignetteIntensity);
    effects::colorShift(r, rng);
    effects::noise(r, s.noiseStrength, rng);
    effects::grain(r, s.grainIntensity, rng);
}

double secondsOf(const std::function<void()>& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

using Run = std::function<void(Bytes&, std::int64_t height)>; // changes or replaces the raster

struct Step {
    std::string name;
    Run fast, plain;
    std::int64_t height = H; // the slowest plain versions run on a strip of the raster
};

// A field of /proc/self/status in bytes (VmRSS, VmHWM).
long statusBytes(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    const std::size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') kb = std::atol(line + n + 1);
    std::fclose(f);
    return kb * 1024;
}

// Peak resident memory while f runs in a child process, above the memory resident when it
// starts (the peak mark is reset first).
long peakGrowthBytes(const std::function<void()>& f) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        if (FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", clear);
            std::fclose(clear);
        }
        const long before = statusBytes("VmRSS");
        f();
        const long growth = statusBytes("VmHWM") - before;
        static_cast<void>(!write(fds[1], &growth, sizeof growth));
        _exit(0);
    }
    long growth = -1;
    static_cast<void>(!read(fds[0], &growth, sizeof growth));
    close(fds[0]);
    close(fds[1]);
    waitpid(child, nullptr, 0);
    return growth;
}

} // namespace

int main() {
    const Bytes source = randomRaster();
    const double rasterBytes = static_cast<double>(source.size());
    const ProcessingSettings s = fullStrength(30);
    const int cores = workerCount();

    constexpr std::int64_t kStrip = 1000;
    const std::vector<Step> steps = {
        {"warp", [](Bytes& b, std::int64_t h) { b = effects::warp(b, W, h, kWarp); },
         [](Bytes& b, std::int64_t h) { b = reference::warp(b, W, h, kWarp); }},
        {"wave", [](Bytes& b, std::int64_t h) { b = effects::wave(b, W, h, kWave); },
         [](Bytes& b, std::int64_t h) { b = reference::wave(b, W, h, kWave); }},
        {"twirl", [](Bytes& b, std::int64_t h) { b = effects::twirl(b, W, h, kTwirl); },
         [](Bytes& b, std::int64_t h) { b = reference::twirl(b, W, h, kTwirl); }},
        {"motion blur 0deg", [](Bytes& b, std::int64_t h) { b = effects::motionBlur(b, W, h, kSmear, 0); },
         [](Bytes& b, std::int64_t h) { b = reference::motionBlur(b, W, h, kSmear, 0); }, kStrip},
        {"motion blur 90deg", [](Bytes& b, std::int64_t h) { b = effects::motionBlur(b, W, h, kSmear, 90); },
         [](Bytes& b, std::int64_t h) { b = reference::motionBlur(b, W, h, kSmear, 90); }, kStrip},
        {"motion blur 30deg", [](Bytes& b, std::int64_t h) { b = effects::motionBlur(b, W, h, kSmear, 30); },
         [](Bytes& b, std::int64_t h) { b = reference::motionBlur(b, W, h, kSmear, 30); }, kStrip},
        {"box blur r3", [](Bytes& r, std::int64_t h) { effects::boxBlur(r, W, h, kBlur); },
         [](Bytes& r, std::int64_t h) { reference::boxBlur(r, W, h, kBlur); }},
        {"sharpen", [](Bytes& r, std::int64_t h) { effects::sharpen(r, W, h, 1.0); },
         [](Bytes& r, std::int64_t h) { reference::sharpen(r, W, h, 1.0); }},
        {"colour replace",
         [&](Bytes& r, std::int64_t) { effects::colorReplace(r, s.colorReplaceFrom, s.colorReplaceTo, 1.0); },
         [&](Bytes& r, std::int64_t) { reference::colorReplace(r, s.colorReplaceFrom, s.colorReplaceTo, 1.0); }},
        {"brightness/contrast", [](Bytes& r, std::int64_t) { effects::brightnessContrast(r, 1.0); },
         [](Bytes& r, std::int64_t) { reference::brightnessContrast(r, 1.0); }},
        {"vignette", [](Bytes& r, std::int64_t h) { effects::vignette(r, W, h, 1.0); },
         [](Bytes& r, std::int64_t h) { reference::vignette(r, W, h, 1.0); }},
        {"colour shift",
         [](Bytes& r, std::int64_t) {
             SplitMix64 g(kSeed);
             effects::colorShift(r, g);
         },
         [](Bytes& r, std::int64_t) {
             reference::Rng g{kSeed};
             reference::colorShift(r, g);
         }},
        {"noise 8",
         [](Bytes& r, std::int64_t) {
             SplitMix64 g(kSeed);
             effects::noise(r, 8, g);
         },
         [](Bytes& r, std::int64_t) {
             reference::Rng g{kSeed};
             reference::noise(r, 8, g);
         }},
        {"grain 1.0",
         [](Bytes& r, std::int64_t) {
             SplitMix64 g(kSeed);
             effects::grain(r, 1.0, g);
         },
         [](Bytes& r, std::int64_t) {
             reference::Rng g{kSeed};
             reference::grain(r, 1.0, g);
         }},
        {"chain warp..grain, 0deg",
         [&](Bytes& r, std::int64_t h) {
             SplitMix64 g(kSeed);
             fastChain(r, h, fullStrength(0), g);
         },
         [&](Bytes& r, std::int64_t h) {
             reference::Rng g{kSeed};
             reference::chain(r, W, h, fullStrength(0), g);
         },
         kStrip},
        {"chain warp..grain, 30deg",
         [&](Bytes& r, std::int64_t h) {
             SplitMix64 g(kSeed);
             fastChain(r, h, s, g);
         },
         [&](Bytes& r, std::int64_t h) {
             reference::Rng g{kSeed};
             reference::chain(r, W, h, s, g);
         },
         kStrip},
    };

    // Memory first, before the timings leave freed memory behind: the input raster plus what
    // the chain needs on top of it.
    const long chainGrowth = peakGrowthBytes([&] {
        Bytes r = source;
        SplitMix64 g(kSeed);
        fastChain(r, H, s, g);
    });
    PixelImage image;
    image.rgba = source;
    image.width = W;
    image.height = H;
    ProcessingSettings withEncode = s;
    withEncode.smartRename = false;
    const long processGrowth =
        peakGrowthBytes([&] { static_cast<void>(ImageProcessor::process(image, withEncode, kSeed)); });
    ProcessingSettings encodeOnly;
    encodeOnly.smartRename = false;
    encodeOnly.forceUnique = false;
    const long encodeGrowth =
        peakGrowthBytes([&] { static_cast<void>(ImageProcessor::process(image, encodeOnly, kSeed)); });
    std::printf("peak memory in rasters of %.0f MB, the input included: effects chain %.2f; whole process "
                "with every effect and the WebP encode %.2f; the same with every effect off %.2f\n",
                rasterBytes / 1e6, 1 + chainGrowth / rasterBytes, 1 + processGrowth / rasterBytes,
                1 + encodeGrowth / rasterBytes);
    // Keep freed rasters in the process, as a long-running one would, so that the timings are of
    // the work and not of the kernel faulting in fresh pages (which costs as much as a light pass).
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    std::printf("Effects on %lld x %lld random pixels (the slowest on the top %lld rows), %d cores.\n"
                "MP/s = megapixels per second; plain = the sequential transcription; same = identical bytes.\n",
                static_cast<long long>(W), static_cast<long long>(H), static_cast<long long>(kStrip), cores);
    std::printf("%-26s %5s %12s %12s %12s %10s %10s %6s\n", "step", "MP", "plain MP/s", "1 core MP/s", "all MP/s",
                "all/plain", "all/1core", "same");
    for (const Step& step : steps) {
        const Bytes input(source.begin(), source.begin() + W * step.height * 4);
        const double megapixels = W * step.height / 1e6;
        // Each run gets its own copy of the input, made before the clock starts; the fast runs
        // take the best of three, against interference from other work on the machine.
        auto timed = [&](const Run& run, Bytes& raster, int tries) {
            double best = 1e300;
            for (int i = 0; i < tries; ++i) {
                raster = input;
                best = std::min(best, secondsOf([&] { run(raster, step.height); }));
            }
            return best;
        };
        Bytes plainOut, fastOut;
        const double plain = timed(step.plain, plainOut, 1);
        setWorkerCount(1);
        const double one = timed(step.fast, fastOut, 3);
        setWorkerCount(0);
        const double all = timed(step.fast, fastOut, 3);
        std::printf("%-26s %5.0f %12.1f %12.1f %12.1f %9.1fx %9.2fx %6s\n", step.name.c_str(), megapixels,
                    megapixels / plain, megapixels / one, megapixels / all, plain / all, one / all,
                    fastOut == plainOut ? "yes" : "NO");
        std::fflush(stdout);
    }
    return 0;
}
