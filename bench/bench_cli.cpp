// The command line on a 24-megapixel photo against the tools that do the same job alone, each
// pair measured in the same run: commands alternate (A B, then B A, ...) so that a busy moment
// of the machine falls on both, and the figures are medians. Ratios are ours / baseline, of
// wall time (what the user waits) and of processor time (steadier on a shared machine, but
// blind to work spread over several cores).
//
//   bench_cli [repeats] [mottler] [rows]   (defaults: 5, the mottler built beside this program,
//                                           every row; rows "14" runs rows 1 and 4 only)
//
// Needs cwebp and dwebp (webp), vips (libvips-tools) and convert (imagemagick).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchRun.h"

namespace {

namespace fs = std::filesystem;
using Command = std::vector<std::string>;

constexpr double kRasterBytes = 6000.0 * 4000.0 * 4.0;

struct Side {
    std::string name;
    Command argv;
    std::vector<std::string> env;
    int runs;
};

struct Result {
    double wall, cpu, peak;
};

Result summary(const std::vector<bench::Run>& samples) {
    std::vector<double> wall, cpu, peak;
    for (const bench::Run& s : samples) {
        wall.push_back(s.seconds);
        cpu.push_back(s.cpu);
        peak.push_back(s.peakBytes);
    }
    return {bench::median(wall), bench::median(cpu), bench::median(peak)};
}

void printSide(const char* role, const Side& side, const Result& r) {
    std::printf("    %-9s %6.2f s wall  %6.2f s cpu (%.2f cores)  peak %5.0f MB = %4.1f rasters  %s\n", role, r.wall,
                r.cpu, r.cpu / r.wall, r.peak / 1e6, r.peak / kRasterBytes, side.name.c_str());
}

std::string chosenRows = "1234";

// Runs both sides alternately and prints the ratio of the medians: ours / baseline. Titles
// start with their row's number.
void pair(const std::string& title, const Side& ours, const Side& baseline) {
    if (chosenRows.find(title[0]) == std::string::npos) return;
    std::vector<bench::Run> a, b;
    for (int i = 0; i < std::max(ours.runs, baseline.runs); ++i) {
        const bool oursFirst = i % 2 == 0;
        if (oursFirst && i < ours.runs) a.push_back(bench::spawn(ours.argv, ours.env));
        if (i < baseline.runs) b.push_back(bench::spawn(baseline.argv, baseline.env));
        if (!oursFirst && i < ours.runs) a.push_back(bench::spawn(ours.argv, ours.env));
    }
    const Result ra = summary(a), rb = summary(b);
    std::printf("%-58s ratio %5.2f  (cpu %.2f, peak %+.1f rasters)\n", title.c_str(), ra.wall / rb.wall,
                ra.cpu / rb.cpu, (ra.peak - rb.peak) / kRasterBytes);
    printSide("ours", ours, ra);
    printSide("baseline", baseline, rb);
    std::fflush(stdout);
}

std::string cpuModel() {
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    return "unknown";
}

} // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string mottler = argc > 2 ? argv[2] : MOTTLER_PATH;
    if (argc > 3) chosenRows = argv[3];
    const fs::path dir = fs::temp_directory_path() / ("quelso-bench-cli-" + std::to_string(getpid()));
    fs::create_directories(dir);
    auto at = [&](const std::string& name) { return (dir / name).string(); };
    const std::string big = at("big.jpg");
    // 6000 x 4000 = 24 megapixels from the shipped sample (1600 x 1067).
    bench::spawn({"vips", "resize", QUELSO_SAMPLES "/harbour.jpg", big + "[Q=90]", "3.75", "--vscale", "3.749"});
    // ImageMagick's shipped policy caps its memory at 256 MiB and spills the rest to disk;
    // this one keeps a 24-megapixel chain in memory.
    std::ofstream(at("policy.xml")) << "<policymap>\n"
                                       "  <policy domain=\"resource\" name=\"memory\" value=\"8GiB\"/>\n"
                                       "  <policy domain=\"resource\" name=\"map\" value=\"8GiB\"/>\n"
                                       "  <policy domain=\"resource\" name=\"area\" value=\"1GP\"/>\n"
                                       "</policymap>\n";

    std::printf("mottler --cli on a 6000 x 4000 JPEG (raster = %.0f MB), medians of %d alternating runs\n"
                "machine: %u cores, %s; load average %s\n\n",
                kRasterBytes / 1e6, repeats, std::thread::hardware_concurrency(), cpuModel().c_str(),
                bench::loadAverage().c_str());

    auto ours = [&](const std::string& name, const std::string& out, Command options,
                    std::vector<std::string> env = {}) {
        Command argv = {mottler, "--cli", "--in", big, "--out", at(out), "--seed", "1"};
        argv.insert(argv.end(), options.begin(), options.end());
        return Side{name, argv, std::move(env), repeats};
    };
    auto tool = [&](const std::string& name, Command argv, int runs) { return Side{name, std::move(argv), {}, runs}; };

    const Side cwebp = tool("cwebp -q 70 -m 4", {"cwebp", "-q", "70", "-m", "4", big, "-o", at("cwebp.webp")}, repeats);
    pair("1. default (lossy WebP q70), --no-rename", ours("mottler --cli --no-rename", "a.webp", {"--no-rename"}),
         cwebp);
    pair("1. default (lossy WebP q70), naming on", ours("mottler --cli", "b.webp", {}), cwebp);
    pair("1. PNG", ours("mottler --cli --format png --no-rename", "a.png", {"--format", "png", "--no-rename"}),
         tool("vips bandjoin_const (RGBA) to .png", {"vips", "bandjoin_const", big, at("vips.png"), "255"}, repeats));
    pair("1. JPEG q70",
         ours("mottler --cli --format jpeg --quality 70 --no-rename", "a.jpg",
              {"--format", "jpeg", "--quality", "70", "--no-rename"}),
         tool("vips copy to .jpg[Q=70]", {"vips", "copy", big, at("vips.jpg") + "[Q=70]"}, repeats));
    pair("1. HEIF q70",
         ours("mottler --cli --format heif --quality 70 --no-rename", "a.heic",
              {"--format", "heif", "--quality", "70", "--no-rename"}),
         tool("vips bandjoin_const (RGBA) to .heic[Q=70]",
              {"vips", "bandjoin_const", big, at("vips.heic") + "[Q=70]", "255"}, repeats));

    // cwebp gets our own perturbed pixels, which compress differently from the original's.
    const Side lossless =
        ours("mottler --cli --text bench --no-rename", "lossless.webp", {"--text", "bench", "--no-rename"});
    bench::spawn(lossless.argv);
    bench::spawn({"dwebp", at("lossless.webp"), "-pam", "-o", at("perturbed.pam")});
    pair("2. lossless WebP with the watermark (--text)", lossless,
         tool("cwebp -lossless -exact -q 70 -m 4 on our pixels",
              {"cwebp", "-lossless", "-exact", "-q", "70", "-m", "4", at("perturbed.pam"), "-o", at("cwebp-ll.webp")},
              repeats));

    pair("3. default, --no-rename: all cores against one",
         ours("mottler --cli --no-rename (all cores)", "c.webp", {"--no-rename"}),
         ours("mottler --cli --no-rename, QUELSO_THREADS=1", "d.webp", {"--no-rename"}, {"QUELSO_THREADS=1"}));

    const Command everyEffect = {"--format",    "jpeg",
                                 "--quality",   "70",
                                 "--no-rename", "--warp",
                                 "1",           "--wave",
                                 "1",           "--twirl",
                                 "1",           "--motion",
                                 "1",           "--motion-angle",
                                 "30",          "--blur",
                                 "1",           "--sharpen",
                                 "1",           "--color-replace",
                                 "--cr-from",   "#ff0000",
                                 "--cr-to",     "#00ff00",
                                 "--cr-tol",    "1",
                                 "--contrast",  "1",
                                 "--vignette",  "1",
                                 "--noise",     "8",
                                 "--grain",     "1"};
    // The nearest ImageMagick chain: warp as a wave each way, wave likewise, swirl, motion blur
    // at 30 degrees, blur, unsharp mask, colour replacement, brightness/contrast, vignette,
    // colour matrix, noise and grain, to a JPEG of the same quality.
    Side magick = tool("ImageMagick's nearest chain (convert)",
                       {"convert",
                        big,
                        "-rotate",
                        "90",
                        "-wave",
                        "3.5x1333",
                        "-rotate",
                        "-90",
                        "-wave",
                        "3.5x2000",
                        "-rotate",
                        "90",
                        "-wave",
                        "12x667",
                        "-rotate",
                        "-90",
                        "-wave",
                        "12x1000",
                        "-swirl",
                        "90",
                        "-motion-blur",
                        "44x22+30",
                        "-blur",
                        "3x2",
                        "-unsharp",
                        "0x1+1.2+0",
                        "-fuzz",
                        "20%",
                        "-fill",
                        "#00ff00",
                        "-opaque",
                        "#ff0000",
                        "-brightness-contrast",
                        "4x12",
                        "-vignette",
                        "0x30",
                        "-color-matrix",
                        "1.01 0 0 0 1.01 0 0 0 0.99",
                        "-attenuate",
                        "0.5",
                        "+noise",
                        "Uniform",
                        "-attenuate",
                        "0.2",
                        "+noise",
                        "Gaussian",
                        "-gravity",
                        "center",
                        "-extent",
                        "6000x4000",
                        "-quality",
                        "70",
                        at("magick.jpg")},
                       (repeats + 1) / 2);
    magick.env = {"MAGICK_CONFIGURE_PATH=" + dir.string()};
    pair("4. every effect at full strength (motion at 30 deg), JPEG q70",
         ours("mottler --cli, every effect", "effects.jpg", everyEffect), magick);

    const Side motion30 = ours("mottler --cli --motion 0.5 --motion-angle 30 --no-rename", "m30.webp",
                               {"--motion", "0.5", "--motion-angle", "30", "--no-rename"});
    const Side motion0 = ours("mottler --cli --motion 0.5 --motion-angle 0 --no-rename", "m0.webp",
                              {"--motion", "0.5", "--motion-angle", "0", "--no-rename"});
    const Side still = ours("mottler --cli --no-rename", "m.webp", {"--no-rename"});
    pair("4. --motion 0.5 at 30 deg against no effect", motion30, still);
    pair("4. --motion 0.5 at 0 deg against no effect", motion0, still);
    pair("4. --motion 0.5 at 30 deg against at 0 deg", motion30, motion0);

    std::printf("\nload average at the end: %s\n", bench::loadAverage().c_str());
    fs::remove_all(dir);
    return 0;
}
