#pragma once
// What the batch benchmarks share: running mottler as a child with its output silenced, the
// photos they all use, medians and the machine's load.
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
#include <vector>

extern char** environ;

namespace bench {

struct Run {
    double seconds = 0, cpu = 0, peakBytes = 0;
};

// Runs the program with its output silenced and `extraEnv` ("NAME=value", taking precedence)
// added to the environment, and exits on failure. Processor time and peak memory come from wait4.
inline Run spawn(std::vector<std::string> args, std::vector<std::string> extraEnv = {}) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    for (char** e = environ; *e; ++e) extraEnv.emplace_back(*e);
    std::vector<char*> env;
    for (std::string& e : extraEnv) env.push_back(e.data());
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    int status = -1;
    rusage usage{};
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), env.data()) == 0) wait4(pid, &status, 0, &usage);
    posix_spawn_file_actions_destroy(&actions);
    if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string line;
        for (const std::string& arg : args) line += arg + " ";
        std::fprintf(stderr, "failed: %s\n", line.c_str());
        std::exit(1);
    }
    auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            seconds(usage.ru_utime) + seconds(usage.ru_stime), static_cast<double>(usage.ru_maxrss) * 1024.0};
}

// `mottler --cli` once per photo, one after another, with the command line's defaults
// (lossy WebP at quality 70) and no naming: the sum of the runs, and the largest peak.
inline Run cliOneByOne(const std::string& mottler, const std::vector<std::string>& photos,
                       const std::filesystem::path& outDir) {
    Run all;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        const Run one = spawn({mottler, "--cli", "--in", photos[i], "--out",
                               (outDir / ("cli" + std::to_string(i) + ".webp")).string(), "--no-rename"});
        all.seconds += one.seconds;
        all.cpu += one.cpu;
        all.peakBytes = std::max(all.peakBytes, one.peakBytes);
    }
    return all;
}

struct Photos {
    std::vector<std::string> paths;
    double averagePixels = 0, largestPixels = 0;
};

// Sixteen different sizes of the shipped photo, from 3000 x 2001 (6 MP) upwards, as JPEG.
inline Photos makePhotos(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    Photos photos;
    for (int i = 0; i < 16; ++i) {
        const double scale = 1.875 + 0.025 * i;
        const std::string photo = (folder / ("photo" + std::to_string(i) + ".jpg")).string();
        spawn({"vips", "resize", QUELSO_SAMPLES "/harbour.jpg", photo + "[Q=90]", std::to_string(scale)});
        photos.paths.push_back(photo);
        const double pixels = std::ceil(1600 * scale) * std::ceil(1067 * scale);
        photos.averagePixels += pixels / 16;
        photos.largestPixels = std::max(photos.largestPixels, pixels);
    }
    return photos;
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Medians of each side's runs.
struct Medians {
    Run cli, batch;
    double ratio = 0; // median of the rounds' wall-time ratios, command line over batch
};

// Runs the command line and the batch `rounds` times each, alternating which goes first so
// that a busy moment of the shared machine falls on both, printing each round.
template <typename Cli, typename Batch>
Medians alternate(int rounds, const char* batchName, Cli cli, Batch batch) {
    std::vector<double> cw, cc, cp, bw, bc, bp, ratios;
    for (int round = 0; round < rounds; ++round) {
        Run c, b;
        if (round % 2 == 0) {
            c = cli();
            b = batch(round);
        } else {
            b = batch(round);
            c = cli();
        }
        cw.push_back(c.seconds);
        cc.push_back(c.cpu);
        cp.push_back(c.peakBytes);
        bw.push_back(b.seconds);
        bc.push_back(b.cpu);
        bp.push_back(b.peakBytes);
        ratios.push_back(c.seconds / b.seconds);
        std::printf("  round %d: command line %6.2f s, %s %6.2f s, ratio %.2f\n", round + 1, c.seconds, batchName,
                    b.seconds, ratios.back());
    }
    return {{median(cw), median(cc), median(cp)}, {median(bw), median(bc), median(bp)}, median(ratios)};
}

inline std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five;
    in >> one >> five;
    return one + " (1 min), " + five + " (5 min)";
}

} // namespace bench
