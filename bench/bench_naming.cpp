// Offline naming through `mottler --suggest-name` on 12-megapixel pictures with and without
// text, against the plain `tesseract` command reading the same file in English on one
// thread, measured in the same run. Also shows that Tesseract's own threads no longer
// matter (OMP_THREAD_LIMIT=1 changes nothing) and what renaming adds to `--cli`.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct Timing {
    double wall = 0, cpu = 0; // seconds; cpu is user plus system time of the command
};

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The fastest of a few runs (the machine is shared; the fastest is the least disturbed).
Timing timed(const std::string& command, int repeats) {
    Timing best{1e30, 1e30};
    for (int i = 0; i < repeats; ++i) {
        const double cpu = childCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        if (std::system((command + " >/dev/null 2>&1").c_str()) > 256) { // exit status 1 is "no suggestion"
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            std::exit(1);
        }
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (wall < best.wall) best = {wall, childCpuSeconds() - cpu};
    }
    return best;
}

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

void row(const char* what, const Timing& t, const Timing& baseline) {
    std::printf("  %-44s %7.2f s wall %7.2f s cpu   wall ratio %5.2f\n", what, t.wall, t.cpu, t.wall / baseline.wall);
}

} // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quelso-bench-naming";
    std::filesystem::create_directories(dir);
    const auto file = [&](const char* name) { return (dir / name).string(); };
    // The sample's sign, its signless right half, and the photographed invoice, each at 12 MP.
    run("bash " QUELSO_RENDER_INVOICE " " + file("invoice"));
    run("vips resize " QUELSO_SAMPLES "/harbour.jpg " + file("sign.jpg") + "[Q=90] 2.5 --vscale 2.8116");
    run("vips crop " QUELSO_SAMPLES "/harbour.jpg " + file("half.jpg") + " 700 0 900 1067");
    run("vips resize " + file("half.jpg") + " " + file("photo.jpg") + "[Q=90] 4.4445 --vscale 2.8116");
    run("vips resize " + file("invoice") + "/photo.jpg " + file("page.jpg") + "[Q=90] 3.2259 --vscale 3.0395");

    const std::string mottler = MOTTLER_PATH;
    std::printf("offline naming, fastest of %d (ratios against `tesseract FILE -` in English on one thread)\n",
                repeats);
    for (const auto& [name, path] : {std::pair{"photo, no text (4000 x 3000)", file("photo.jpg")},
                                     std::pair{"photo with a sign (4000 x 3000)", file("sign.jpg")},
                                     std::pair{"photographed invoice (3000 x 4000)", file("page.jpg")},
                                     std::pair{"photographed invoice (930 x 1316)", file("invoice") + "/photo.jpg"},
                                     std::pair{"scanned invoice (1240 x 1754)", file("invoice") + "/scan.png"}}) {
        std::printf("%s\n", name);
        const Timing baseline = timed("OMP_THREAD_LIMIT=1 tesseract " + path + " -", repeats);
        row("tesseract, eng, one thread (baseline)", baseline, baseline);
        row("mottler --suggest-name", timed(mottler + " --suggest-name " + path, repeats), baseline);
        row("mottler --suggest-name, OMP_THREAD_LIMIT=1",
            timed("OMP_THREAD_LIMIT=1 " + mottler + " --suggest-name " + path, repeats), baseline);
    }
    const std::string page = file("page.jpg"), out = file("out.webp");
    const Timing plain = timed(mottler + " --cli --in " + page + " --out " + out + " --no-rename --seed 1", repeats);
    std::printf("--cli on the 12 MP photographed invoice (ratio against --no-rename)\n");
    row("mottler --cli --no-rename (baseline)", plain, plain);
    row("mottler --cli (renamed from its content)",
        timed(mottler + " --cli --in " + page + " --out " + out + " --seed 1", repeats), plain);
    std::filesystem::remove_all(dir);
    return 0;
}
