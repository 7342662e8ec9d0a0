// Speed of the effects on a 24-megapixel raster: each step alone and the chain of steps 2 to 13
// with every effect at full strength, on all cores and on one, against the plain sequential
// transcriptions measured in the same run (and checked to give the same bytes). Also the peak
// memory of the chain, in rasters.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "../tests/pipeline/EffectsReference.h"
#include "pipeline/Effects.h"
#include "pipeline/ImageProcessor.h"
#include "pipeline/Parallel.h"

using namespace quelso;

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

// The fast chain of steps 2 to 13, as ImageProcessor::process runs it.
void fastChain(Bytes& r, std::int64_t h, const ProcessingSettings& s, SplitMix64& rng) {
    r = effects::warp(r, W, h, s.warpIntensity * 3.5);
    r = effects::wave(r, W, h, s.waveIntensity * 12);
    r = effects::twirl(r, W, h, s.twirlIntensity * (reference::kPi / 2));
    r = effects::motionBlur(r, W, h, 22, s.motionBlurAngle);
    effects::boxBlur(r, W, h, 3);
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

using Run = std::function<Bytes(const Bytes&, std::int64_t height)>; // returns the result

struct Step {
    std::string name;
    Run fast, plain;
    std::int64_t height = H; // the slowest plain versions run on a strip of the raster
};

template <typename F>
Run inPlace(F f) {
    return [f](const Bytes& src, std::int64_t h) {
        Bytes r = src;
        f(r, h);
        return r;
    };
}

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
        (void)!write(fds[1], &growth, sizeof growth);
        _exit(0);
    }
    long growth = -1;
    (void)!read(fds[0], &growth, sizeof growth);
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
        {"warp", [](const Bytes& b, std::int64_t h) { return effects::warp(b, W, h, 3.5); },
         [](const Bytes& b, std::int64_t h) { return reference::warp(b, W, h, 3.5); }},
        {"wave", [](const Bytes& b, std::int64_t h) { return effects::wave(b, W, h, 12); },
         [](const Bytes& b, std::int64_t h) { return reference::wave(b, W, h, 12); }},
        {"twirl", [](const Bytes& b, std::int64_t h) { return effects::twirl(b, W, h, reference::kPi / 2); },
         [](const Bytes& b, std::int64_t h) { return reference::twirl(b, W, h, reference::kPi / 2); }},
        {"motion blur 0deg", [](const Bytes& b, std::int64_t h) { return effects::motionBlur(b, W, h, 22, 0); },
         [](const Bytes& b, std::int64_t h) { return reference::motionBlur(b, W, h, 22, 0); }, kStrip},
        {"motion blur 90deg", [](const Bytes& b, std::int64_t h) { return effects::motionBlur(b, W, h, 22, 90); },
         [](const Bytes& b, std::int64_t h) { return reference::motionBlur(b, W, h, 22, 90); }, kStrip},
        {"motion blur 30deg", [](const Bytes& b, std::int64_t h) { return effects::motionBlur(b, W, h, 22, 30); },
         [](const Bytes& b, std::int64_t h) { return reference::motionBlur(b, W, h, 22, 30); }, kStrip},
        {"box blur r3", inPlace([](Bytes& r, std::int64_t h) { effects::boxBlur(r, W, h, 3); }),
         inPlace([](Bytes& r, std::int64_t h) { reference::boxBlur(r, W, h, 3); })},
        {"sharpen", inPlace([](Bytes& r, std::int64_t h) { effects::sharpen(r, W, h, 1.0); }),
         inPlace([](Bytes& r, std::int64_t h) { reference::sharpen(r, W, h, 1.0); })},
        {"colour replace",
         inPlace([&](Bytes& r, std::int64_t) { effects::colorReplace(r, s.colorReplaceFrom, s.colorReplaceTo, 1.0); }),
         inPlace([&](Bytes& r, std::int64_t) { reference::colorReplace(r, s.colorReplaceFrom, s.colorReplaceTo, 1.0); })},
        {"brightness/contrast", inPlace([](Bytes& r, std::int64_t) { effects::brightnessContrast(r, 1.0); }),
         inPlace([](Bytes& r, std::int64_t) { reference::brightnessContrast(r, 1.0); })},
        {"vignette", inPlace([](Bytes& r, std::int64_t h) { effects::vignette(r, W, h, 1.0); }),
         inPlace([](Bytes& r, std::int64_t h) { reference::vignette(r, W, h, 1.0); })},
        {"colour shift", inPlace([](Bytes& r, std::int64_t) { SplitMix64 g(kSeed); effects::colorShift(r, g); }),
         inPlace([](Bytes& r, std::int64_t) { reference::Rng g{kSeed}; reference::colorShift(r, g); })},
        {"noise 8", inPlace([](Bytes& r, std::int64_t) { SplitMix64 g(kSeed); effects::noise(r, 8, g); }),
         inPlace([](Bytes& r, std::int64_t) { reference::Rng g{kSeed}; reference::noise(r, 8, g); })},
        {"grain 1.0", inPlace([](Bytes& r, std::int64_t) { SplitMix64 g(kSeed); effects::grain(r, 1.0, g); }),
         inPlace([](Bytes& r, std::int64_t) { reference::Rng g{kSeed}; reference::grain(r, 1.0, g); })},
        {"chain 2-13, motion 0deg",
         inPlace([&](Bytes& r, std::int64_t h) { SplitMix64 g(kSeed); fastChain(r, h, fullStrength(0), g); }),
         inPlace([&](Bytes& r, std::int64_t h) { reference::Rng g{kSeed}; reference::chain(r, W, h, fullStrength(0), g); }),
         kStrip},
        {"chain 2-13, motion 30deg",
         inPlace([&](Bytes& r, std::int64_t h) { SplitMix64 g(kSeed); fastChain(r, h, s, g); }),
         inPlace([&](Bytes& r, std::int64_t h) { reference::Rng g{kSeed}; reference::chain(r, W, h, s, g); }), kStrip},
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
    const long processGrowth = peakGrowthBytes([&] { (void)ImageProcessor::process(image, withEncode, kSeed); });
    std::printf("peak memory, in rasters of %.0f MB, counting the input: chain 2-13 %.2f; whole process with "
                "WebP encode %.2f\n",
                rasterBytes / 1e6, 1 + chainGrowth / rasterBytes, 1 + processGrowth / rasterBytes);
    std::printf("Effects on %lld x %lld random pixels (the slowest on the top %lld rows), %d cores.\n"
                "MP/s = megapixels per second; plain = the sequential transcription; same = identical bytes.\n",
                static_cast<long long>(W), static_cast<long long>(H), static_cast<long long>(kStrip), cores);
    std::printf("%-26s %5s %12s %12s %12s %10s %10s %6s\n", "step", "MP", "plain MP/s", "1 core MP/s", "all MP/s",
                "all/plain", "all/1core", "same");
    for (const Step& step : steps) {
        const Bytes input(source.begin(), source.begin() + W * step.height * 4);
        const double megapixels = W * step.height / 1e6;
        Bytes plainOut, fastOut;
        const double plain = secondsOf([&] { plainOut = step.plain(input, step.height); });
        setWorkerCount(1);
        const double one = secondsOf([&] { fastOut = step.fast(input, step.height); });
        setWorkerCount(0);
        const double all = secondsOf([&] { fastOut = step.fast(input, step.height); });
        std::printf("%-26s %5.0f %12.1f %12.1f %12.1f %9.1fx %9.2fx %6s\n", step.name.c_str(), megapixels,
                    megapixels / plain, megapixels / one, megapixels / all, plain / all, one / all,
                    fastOut == plainOut ? "yes" : "NO");
        std::fflush(stdout);
    }
    return 0;
}
