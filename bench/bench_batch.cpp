// mottler --batch over 16 photos of 6 megapixels and more, against `mottler --cli` run once
// per file over the same photos in the same run: images per second for both, their ratio,
// and the peak memory of the batch process. The two sides alternate (A B, then B A, ...) so
// that a busy moment of the shared machine falls on both, and the figures are medians.
//
//   bench_batch [rounds] [jobs] [mottler]   (defaults: 3 rounds; 0: the batch's own default for
//                                            --jobs; the mottler built beside this program)
#include <thread>

#include "BenchRun.h"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string jobs = argc > 2 && std::atoi(argv[2]) > 0 ? argv[2] : "";
    const std::string mottler = argc > 3 ? argv[3] : MOTTLER_PATH;
    const fs::path dir = fs::temp_directory_path() / ("quelso-bench-batch-" + std::to_string(getpid()));
    const bench::Photos photos = bench::makePhotos(dir / "in");

    // The same work on both sides: the command line's defaults, lossy WebP at quality 70,
    // no naming. The batch also measures every copy against its source, from the one decode
    // of the copy that serves the watermark check, as --cli decodes its output for that check.
    const auto batchRound = [&](int round) {
        std::vector<std::string> args{mottler,
                                      "--batch",
                                      (dir / "in").string(),
                                      "--out-dir",
                                      (dir / ("batch" + std::to_string(round))).string(),
                                      "--no-rename",
                                      "--report",
                                      (dir / ("report" + std::to_string(round))).string()};
        if (!jobs.empty()) args.insert(args.end(), {"--jobs", jobs});
        return bench::spawn(args);
    };
    const bench::Medians m = bench::alternate(
        rounds, "batch", [&] { return bench::cliOneByOne(mottler, photos.paths, dir); }, batchRound);

    const double raster = photos.largestPixels * 4;
    std::printf("16 photos, %.1f MP on average (largest raster %.0f MB), %u cores, medians of %d rounds\n",
                photos.averagePixels / 1e6, raster / 1e6, std::thread::hardware_concurrency(), rounds);
    std::printf("  mottler --cli once per file : %6.2f s  %5.2f images/s  cpu %6.2f s  peak %4.0f MB per process\n",
                m.cli.seconds, 16 / m.cli.seconds, m.cli.cpu, m.cli.peakBytes / 1e6);
    std::printf("  mottler --batch%-12s : %6.2f s  %5.2f images/s  cpu %6.2f s  peak %4.0f MB = %.1f rasters\n",
                jobs.empty() ? "" : (" --jobs " + jobs).c_str(), m.batch.seconds, 16 / m.batch.seconds, m.batch.cpu,
                m.batch.peakBytes / 1e6, m.batch.peakBytes / raster);
    std::printf("  ratio batch / command line  : %6.2f (median of the rounds' ratios %.2f)\n",
                m.cli.seconds / m.batch.seconds, m.ratio);
    std::printf("  load average at the end     : %s\n", bench::loadAverage().c_str());
    fs::remove_all(dir);
    return 0;
}
