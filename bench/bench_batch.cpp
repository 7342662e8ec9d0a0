// mottler --batch over 16 photos of 6 megapixels and more, against `mottler --cli` run once
// per file over the same photos in the same run: images per second for both, their ratio,
// and the peak memory of the batch process. The two sides alternate (A B, then B A, ...) so
// that a busy moment of the shared machine falls on both, and the figures are medians.
//
//   bench_batch [rounds] [jobs] [mottler]   (defaults: 3 rounds; 0: the batch's own default for
//                                            --jobs; the mottler built beside this program)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Run {
    double seconds = 0, cpu = 0, peakBytes = 0;
};

std::string mottlerPath = MOTTLER_PATH;

// Runs mottler with its output silenced; exits on failure. Processor time and peak memory
// come from wait4.
Run mottler(std::vector<std::string> args) {
    args.insert(args.begin(), mottlerPath);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    int status = -1;
    rusage usage{};
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) wait4(pid, &status, 0, &usage);
    posix_spawn_file_actions_destroy(&actions);
    if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: mottler %s ...\n", args[1].c_str());
        std::exit(1);
    }
    auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            seconds(usage.ru_utime) + seconds(usage.ru_stime), static_cast<double>(usage.ru_maxrss) * 1024.0};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five;
    in >> one >> five;
    return one + " (1 min), " + five + " (5 min)";
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string jobs = argc > 2 && std::atoi(argv[2]) > 0 ? argv[2] : "";
    if (argc > 3) mottlerPath = argv[3];
    const fs::path dir = fs::temp_directory_path() / ("quelso-bench-batch-" + std::to_string(getpid()));
    fs::create_directories(dir / "in");
    // Sixteen different sizes of the shipped photo, from 3000 x 2001 (6 MP) upwards.
    std::vector<std::string> photos;
    double pixels = 0, largest = 0;
    for (int i = 0; i < 16; ++i) {
        const double scale = 1.875 + 0.025 * i;
        const std::string photo = (dir / "in" / ("photo" + std::to_string(i) + ".jpg")).string();
        const std::string make = "vips resize " QUELSO_SAMPLES "/harbour.jpg '" + photo + "[Q=90]' " +
                                 std::to_string(scale) + " >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) return 1;
        photos.push_back(photo);
        const double p = std::ceil(1600 * scale) * std::ceil(1067 * scale);
        pixels += p;
        largest = std::max(largest, p);
    }

    // The same work on both sides: the command line's defaults, lossy WebP at quality 70,
    // no naming. The batch also measures every copy against its source, from the one decode
    // of the copy that serves the watermark check, as --cli decodes its output for that check.
    const auto cliRound = [&] {
        Run all;
        for (std::size_t i = 0; i < photos.size(); ++i) {
            const Run one = mottler({"--cli", "--in", photos[i], "--out",
                                     (dir / ("cli" + std::to_string(i) + ".webp")).string(), "--no-rename"});
            all.seconds += one.seconds;
            all.cpu += one.cpu;
            all.peakBytes = std::max(all.peakBytes, one.peakBytes);
        }
        return all;
    };
    const auto batchRound = [&](int round) {
        std::vector<std::string> args{"--batch",
                                      (dir / "in").string(),
                                      "--out-dir",
                                      (dir / ("batch" + std::to_string(round))).string(),
                                      "--no-rename",
                                      "--report",
                                      (dir / ("report" + std::to_string(round))).string()};
        if (!jobs.empty()) args.insert(args.end(), {"--jobs", jobs});
        return mottler(args);
    };
    std::vector<double> cliWall, cliCpu, cliPeak, batchWall, batchCpu, batchPeak, ratios;
    for (int round = 0; round < rounds; ++round) {
        Run cli, batch;
        if (round % 2 == 0) {
            cli = cliRound();
            batch = batchRound(round);
        } else {
            batch = batchRound(round);
            cli = cliRound();
        }
        cliWall.push_back(cli.seconds);
        cliCpu.push_back(cli.cpu);
        cliPeak.push_back(cli.peakBytes);
        batchWall.push_back(batch.seconds);
        batchCpu.push_back(batch.cpu);
        batchPeak.push_back(batch.peakBytes);
        ratios.push_back(cli.seconds / batch.seconds);
        std::printf("  round %d: command line %6.2f s, batch %6.2f s, ratio %.2f\n", round + 1, cli.seconds,
                    batch.seconds, ratios.back());
    }

    const double cw = median(cliWall), bw = median(batchWall), raster = largest * 4;
    std::printf("16 photos, %.1f MP on average (largest raster %.0f MB), %u cores, medians of %d rounds\n",
                pixels / 16 / 1e6, raster / 1e6, std::thread::hardware_concurrency(), rounds);
    std::printf("  mottler --cli once per file : %6.2f s  %5.2f images/s  cpu %6.2f s  peak %4.0f MB per process\n", cw,
                16 / cw, median(cliCpu), median(cliPeak) / 1e6);
    std::printf("  mottler --batch%-12s : %6.2f s  %5.2f images/s  cpu %6.2f s  peak %4.0f MB = %.1f rasters\n",
                jobs.empty() ? "" : (" --jobs " + jobs).c_str(), bw, 16 / bw, median(batchCpu), median(batchPeak) / 1e6,
                median(batchPeak) / raster);
    std::printf("  ratio batch / command line  : %6.2f (median of the rounds' ratios %.2f)\n", cw / bw, median(ratios));
    std::printf("  load average at the end     : %s\n", loadAverage().c_str());
    fs::remove_all(dir);
    return 0;
}
