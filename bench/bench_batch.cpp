// mottler --batch over 16 photos of 6 megapixels and more, against `mottler --cli` run once
// per file over the same photos in the same run: images per second for both, their ratio,
// and the peak memory of the batch process.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
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
    int status = -1;
    double seconds = 0;
    double peakBytes = 0;
};

// Runs mottler with its output silenced; the child's own peak memory comes from wait4.
Run mottler(std::vector<std::string> args) {
    args.insert(args.begin(), MOTTLER_PATH);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    Run run;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.peakBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

} // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / ("quelso-bench-batch-" + std::to_string(getpid()));
    fs::create_directories(dir / "in");
    // Sixteen different sizes of the shipped photo, from 3000 x 2001 (6 MP) upwards.
    std::vector<std::string> photos;
    double pixels = 0;
    for (int i = 0; i < 16; ++i) {
        const double scale = 1.875 + 0.025 * i;
        const std::string photo = (dir / "in" / ("photo" + std::to_string(i) + ".jpg")).string();
        const std::string make = "vips resize " QUELSO_SAMPLES "/harbour.jpg '" + photo + "[Q=90]' " +
                                 std::to_string(scale) + " >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) return 1;
        photos.push_back(photo);
        pixels += std::ceil(1600 * scale) * std::ceil(1067 * scale);
    }

    // The same work on both sides: the command line's defaults, lossy WebP at quality 70,
    // no naming. The batch also decodes every copy again for SSIM and the perceptual hash,
    // as --cli decodes its output for the watermark check.
    Run cli;
    double cliPeak = 0;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        const Run one = mottler({"--cli", "--in", photos[i], "--out",
                                 (dir / ("cli" + std::to_string(i) + ".webp")).string(), "--no-rename"});
        if (one.status != 0) return 1;
        cli.seconds += one.seconds;
        cliPeak = std::max(cliPeak, one.peakBytes);
    }
    const Run batch = mottler({"--batch", (dir / "in").string(), "--out-dir", (dir / "batch").string(), "--no-rename",
                               "--report", (dir / "report.jsonl").string()});
    if (batch.status != 0) return 1;

    std::printf("16 photos, %.1f MP on average, %u cores\n", pixels / 16 / 1e6, std::thread::hardware_concurrency());
    std::printf("  mottler --cli once per file : %6.2f s  %5.2f images/s  peak %4.0f MB per process\n", cli.seconds,
                16 / cli.seconds, cliPeak / 1e6);
    std::printf("  mottler --batch             : %6.2f s  %5.2f images/s  peak %4.0f MB\n", batch.seconds,
                16 / batch.seconds, batch.peakBytes / 1e6);
    std::printf("  ratio batch / command line  : %6.2f\n", cli.seconds / batch.seconds);
    fs::remove_all(dir);
    return 0;
}
