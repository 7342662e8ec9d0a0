// A batch of 16 photos of 6 megapixels and more through the desktop model, against the same
// files through `mottler --cli` one after another, in the same run: images per second for
// both, their ratio, and the peak memory of the model's batch in rasters per running item.
// Runs itself inside the private session of scripts/test-services.sh, so the model's
// saved configuration and keyring are throwaway ones.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "model/AppModel.h"
#include "pipeline/WorkSplit.h"

namespace {

namespace fs = std::filesystem;

double seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Resident memory now, in bytes.
double residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

double peakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0;
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
    QCoreApplication app(argc, argv);
    const fs::path dir = fs::temp_directory_path() / ("quelso-bench-model-" + std::to_string(getpid()));
    fs::create_directories(dir / "model");
    fs::create_directories(dir / "cli");

    // Sixteen different sizes of the shipped photo, from 3000 x 2001 (6 MP) upwards.
    std::vector<std::string> photos;
    double pixels = 0, largest = 0;
    for (int i = 0; i < 16; ++i) {
        const double scale = 1.875 + 0.025 * i;
        const std::string photo = (dir / ("photo" + std::to_string(i) + ".jpg")).string();
        const std::string make = "vips resize " QUELSO_SAMPLES "/harbour.jpg '" + photo + "[Q=90]' " +
                                 std::to_string(scale) + " >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) return 1;
        photos.push_back(photo);
        const double p = std::ceil(1600 * scale) * std::ceil(1067 * scale);
        pixels += p;
        largest = std::max(largest, p);
    }

    // The same work on both sides: the command line's defaults (colour shift, invisible
    // watermark switched on but nothing to embed), lossy WebP at quality 70, no naming.
    const auto cliStart = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < photos.size(); ++i) {
        const std::string command = std::string(MOTTLER_PATH) + " --cli --in '" + photos[i] + "' --out '" +
                                    (dir / "cli" / ("out" + std::to_string(i) + ".webp")).string() +
                                    "' --no-rename >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return 1;
    }
    const double cliSeconds = seconds(cliStart);

    quelso::AppModel model;
    quelso::SettingsModel& s = *model.settings();
    s.setSmartRename(false);
    s.setColorShift(true);
    s.setInvisible(true);
    model.setDestination(QUrl::fromLocalFile(QString::fromStdString((dir / "model").string())));
    QList<QUrl> urls;
    for (const std::string& photo : photos) urls.append(QUrl::fromLocalFile(QString::fromStdString(photo)));
    model.addFiles(urls);
    // Thumbnails are made when items are added; let them finish outside the timing.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();

    const double before = residentBytes();
    const auto modelStart = std::chrono::steady_clock::now();
    model.processAll();
    const quelso::WorkSplit::Split split = quelso::WorkSplit::choose(QThread::idealThreadCount(), 16);
    const int running = split.concurrentItems;
    while (model.isProcessing()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double modelSeconds = seconds(modelStart);
    const double peak = peakResidentBytes();

    int done = 0;
    for (const quelso::ImageItemPtr& item : model.items()->items()) done += item->status() == quelso::ImageItem::Done;
    if (done != 16) {
        std::fprintf(stderr, "only %d of 16 items were written\n", done);
        return 1;
    }

    const double raster = largest * 4;
    std::printf("16 photos, %.1f MP on average, %d cores\n", pixels / 16 / 1e6, QThread::idealThreadCount());
    std::printf("  mottler --cli one after another : %6.2f s  %5.2f images/s\n", cliSeconds, 16 / cliSeconds);
    std::printf("  AppModel batch                  : %6.2f s  %5.2f images/s  (%d items at once, %d pipeline "
                "threads each)\n",
                modelSeconds, 16 / modelSeconds, running, split.pipelineWorkers);
    std::printf("  ratio batch / command line      : %6.2f\n", cliSeconds / modelSeconds);
    std::printf("  peak memory of the batch        : %6.0f MB above %4.0f MB before; %.1f rasters of the largest "
                "photo per running item\n",
                (peak - before) / 1e6, before / 1e6, (peak - before) / raster / running);
    fs::remove_all(dir);
    return 0;
}
