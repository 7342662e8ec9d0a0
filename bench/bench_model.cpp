// A batch of 16 photos of 6 megapixels and more through the desktop model, against the same
// files through `mottler --cli` one after another, in the same run: images per second for
// both, their ratio, and the peak memory of the model's batch in rasters per running item.
// The two sides alternate (A B, then B A, ...) and the figures are medians. Runs itself inside
// the private session of scripts/test-services.sh, so the model's saved configuration and
// keyring are throwaway ones.
//
//   bench_model [rounds]   (default 3)
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <unistd.h>

#include "BenchRun.h"
#include "model/AppModel.h"
#include "pipeline/WorkSplit.h"

namespace {

// Resident memory now, in bytes.
double residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// The peak resident memory since the last call, in bytes (the kernel's high-water mark,
// reset by writing 5 to clear_refs).
double peakResidentBytes() {
    std::ifstream status("/proc/self/status");
    double peak = 0;
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) peak = std::atof(line.c_str() + 6) * 1024.0;
    std::ofstream("/proc/self/clear_refs") << "5";
    return peak;
}

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QUELSO_PRIVATE_SESSION")) {
        std::vector<char*> args{const_cast<char*>(QUELSO_SESSION_SCRIPT)};
        for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
        args.push_back(nullptr);
        execv(QUELSO_SESSION_SCRIPT, args.data());
        std::perror("scripts/test-services.sh");
        return 1;
    }
    namespace fs = std::filesystem;
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path dir = fs::temp_directory_path() / ("quelso-bench-model-" + std::to_string(getpid()));
    const bench::Photos photos = bench::makePhotos(dir / "in");

    // The same work on both sides: the command line's defaults (colour shift, invisible
    // watermark switched on but nothing to embed), lossy WebP at quality 70, no naming.
    quelso::AppModel model;
    quelso::SettingsModel& s = *model.settings();
    s.setSmartRename(false);
    s.setColorShift(true);
    s.setInvisible(true);
    model.setDestination(QUrl::fromLocalFile(QString::fromStdString((dir / "model").string())));
    fs::create_directories(dir / "model");
    QList<QUrl> urls;
    for (const std::string& photo : photos.paths) urls.append(QUrl::fromLocalFile(QString::fromStdString(photo)));
    model.addFiles(urls);
    // Thumbnails are made when items are added; let them finish outside the timing.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();

    // The main thread sleeps in its event loop while the model works, as in the application.
    const auto modelRound = [&] {
        const double before = residentBytes();
        peakResidentBytes();
        QEventLoop loop;
        QObject::connect(&model, &quelso::AppModel::isProcessingChanged, &loop, [&] {
            if (!model.isProcessing()) loop.quit();
        });
        const double cpuBefore = processorSeconds();
        const auto start = std::chrono::steady_clock::now();
        model.processAll();
        if (model.isProcessing()) loop.exec();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        int done = 0;
        for (const quelso::ImageItemPtr& item : model.items()->items())
            done += item->status() == quelso::ImageItem::Done;
        if (done != 16) {
            std::fprintf(stderr, "only %d of 16 items were written\n", done);
            std::exit(1);
        }
        return bench::Run{seconds, processorSeconds() - cpuBefore, peakResidentBytes() - before};
    };
    // The peak is the largest of the rounds', not their median.
    double peak = 0;
    const bench::Medians m = bench::alternate(
        rounds, "model", [&] { return bench::cliOneByOne(MOTTLER_PATH, photos.paths, dir); },
        [&](int) {
            const bench::Run run = modelRound();
            peak = std::max(peak, run.peakBytes);
            return run;
        });
    const quelso::WorkSplit::Split split = quelso::WorkSplit::choose(QThread::idealThreadCount(), 16);
    const double raster = photos.largestPixels * 4;
    std::printf("16 photos, %.1f MP on average, %d cores, medians of %d rounds\n", photos.averagePixels / 1e6,
                QThread::idealThreadCount(), rounds);
    std::printf("  mottler --cli one after another : %6.2f s  %5.2f images/s  cpu %6.2f s\n", m.cli.seconds,
                16 / m.cli.seconds, m.cli.cpu);
    std::printf("  AppModel batch                  : %6.2f s  %5.2f images/s  cpu %6.2f s  (%d items at once, %d "
                "pipeline threads each)\n",
                m.batch.seconds, 16 / m.batch.seconds, m.batch.cpu, split.concurrentItems, split.pipelineWorkers);
    std::printf("  ratio batch / command line      : %6.2f (median of the rounds' ratios %.2f)\n",
                m.cli.seconds / m.batch.seconds, m.ratio);
    std::printf("  peak memory of the batch        : %6.0f MB above the memory before it (largest of the rounds); "
                "%.1f rasters of the largest photo per running item\n",
                peak / 1e6, peak / raster / split.concurrentItems);
    std::printf("  load average at the end         : %s\n", bench::loadAverage().c_str());
    fs::remove_all(dir);
    return 0;
}
