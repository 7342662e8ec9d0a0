// Times `mottler --cli` on a large photo against libvips decode plus cwebp at the same
// quality and method, measured in the same run, and prints the ratio.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

double secondsFor(const std::string& command, int repeats) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            std::exit(1);
        }
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quelso-bench-cli";
    std::filesystem::create_directories(dir);
    const std::string big = (dir / "big.jpg").string();
    // 6000 x 4000 = 24 megapixels from the shipped sample (1600 x 1067).
    const std::string make = "vips resize " QUELSO_SAMPLES "/harbour.jpg " + big + "[Q=90] 3.75 --vscale 3.749";
    if (std::system(make.c_str()) != 0) return 1;

    const std::string quiet = " >/dev/null 2>&1";
    const std::string out = (dir / "out.webp").string();
    const std::string ppm = (dir / "big.ppm").string();
    const std::string base =
        "vips copy " + big + " " + ppm + " && cwebp -quiet -q 70 -m 4 " + ppm + " -o " + (dir / "cwebp.webp").string();
    const std::string lossy =
        std::string(MOTTLER_PATH) + " --cli --in " + big + " --out " + out + " --no-rename --seed 1" + quiet;
    const std::string lossless = std::string(MOTTLER_PATH) + " --cli --in " + big + " --out " + out +
                                 " --no-rename --seed 1 --text bench" + quiet;

    const double tBase = secondsFor(base + quiet, repeats);
    const double tLossy = secondsFor(lossy, repeats);
    const double tLossless = secondsFor(lossless, 1);
    std::printf("24 MP photo, best of %d\n", repeats);
    std::printf("  vips decode + cwebp -q 70 -m 4 : %7.3f s\n", tBase);
    std::printf("  mottler --cli (lossy q70)      : %7.3f s   ratio %.2f\n", tLossy, tLossy / tBase);
    std::printf("  mottler --cli --text (lossless): %7.3f s   ratio %.2f (one run)\n", tLossless, tLossless / tBase);
    std::filesystem::remove_all(dir);
    return 0;
}
