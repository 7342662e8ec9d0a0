// Offline naming through `mottler --suggest-name` on 12-megapixel pictures with and without
// text, against the plain `tesseract` command reading the same file in English on one
// thread; and what renaming adds to `--cli` against the same run with `--no-rename`. Each
// pair runs alternately (A B, then B A, ...) so that a busy moment of the machine falls on
// both; figures are medians, ratios are ours / baseline of wall time (what the user waits)
// and of processor time (steadier on a shared machine). Also shows that Tesseract's own
// threads do not matter (OMP_THREAD_LIMIT=1 changes nothing).
//
//   bench_naming [repeats]   (default 5)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

Timing timedOnce(const std::string& command) {
    const double cpu = childCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    if (std::system((command + " >/dev/null 2>&1").c_str()) > 256) { // exit status 1 is "no suggestion"
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), childCpuSeconds() - cpu};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Pair {
    Timing baseline, ours;
    double wallRatio = 0, cpuRatio = 0; // medians of the per-pair ratios
};

// The two commands alternately, once each first.
Pair paired(const std::string& baseline, const std::string& ours, int repeats) {
    std::vector<double> baseWall, baseCpu, ourWall, ourCpu, wallRatios, cpuRatios;
    for (int i = 0; i < repeats; ++i) {
        Timing a, b;
        if (i % 2) {
            b = timedOnce(ours);
            a = timedOnce(baseline);
        } else {
            a = timedOnce(baseline);
            b = timedOnce(ours);
        }
        baseWall.push_back(a.wall);
        baseCpu.push_back(a.cpu);
        ourWall.push_back(b.wall);
        ourCpu.push_back(b.cpu);
        wallRatios.push_back(b.wall / a.wall);
        cpuRatios.push_back(b.cpu / a.cpu);
    }
    return {
        {median(baseWall), median(baseCpu)}, {median(ourWall), median(ourCpu)}, median(wallRatios), median(cpuRatios)};
}

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

void rows(const char* baselineName, const char* oursName, const Pair& pair) {
    std::printf("  %-44s %6.2f s wall %6.2f s cpu\n", baselineName, pair.baseline.wall, pair.baseline.cpu);
    std::printf("  %-44s %6.2f s wall %6.2f s cpu   ratio %5.2f wall %5.2f cpu\n", oursName, pair.ours.wall,
                pair.ours.cpu, pair.wallRatio, pair.cpuRatio);
}

} // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
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
    std::printf("offline naming, medians of %d alternating pairs (baseline: `tesseract FILE -` in English on one "
                "thread; goal for 12 MP: 1.5 s)\n",
                repeats);
    for (const auto& [name, path] :
         {std::pair{"photo, no text (4000 x 3000)", file("photo.jpg")},
          std::pair{"photo with a sign (4000 x 3000)", file("sign.jpg")},
          std::pair{"photographed invoice (3000 x 4000)", file("page.jpg")},
          std::pair{"photographed invoice (930 x 1316)", file("invoice") + "/photo.jpg"},
          std::pair{"invoice scan upside down (1240 x 1754)", file("invoice") + "/rotated180.png"}}) {
        std::printf("%s\n", name);
        rows("tesseract, eng, one thread (baseline)", "mottler --suggest-name",
             paired("OMP_THREAD_LIMIT=1 tesseract " + path + " -", mottler + " --suggest-name " + path, repeats));
    }
    const std::string page = file("page.jpg"), out = file("out.webp");
    std::printf("Tesseract's threads on the 12 MP photographed invoice\n");
    rows("mottler --suggest-name, OMP_THREAD_LIMIT=1", "mottler --suggest-name",
         paired("OMP_THREAD_LIMIT=1 " + mottler + " --suggest-name " + page, mottler + " --suggest-name " + page,
                repeats));
    std::printf("--cli on the 12 MP photographed invoice (goal: renamed within 2 x of --no-rename)\n");
    const std::string cli = mottler + " --cli --in " + page + " --out " + out + " --seed 1";
    rows("mottler --cli --no-rename (baseline)", "mottler --cli (renamed from its content)",
         paired(cli + " --no-rename", cli, repeats));
    std::filesystem::remove_all(dir);
    return 0;
}
