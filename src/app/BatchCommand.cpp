// mottler --batch: many pictures in one process, items side by side, a line of report each.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <span>
#include <thread>
#include <unistd.h>

#include "app/BatchItem.h"
#include "app/BatchProgress.h"
#include "app/CLI.h"
#include "app/Naming.h"
#include "core/Parallel.h"
#include "pipeline/WorkSplit.h"
#include "platform/TemporaryFiles.h"
#include "platform/Utf8.h"

namespace quelso::CLI {

namespace {

// The options that stand alone; every other option takes the word after it.
constexpr std::string_view kFlags[] = {"--visible", "--no-invisible",  "--keep-metadata", "--no-color",  "--no-force",
                                       "--micro",   "--color-replace", "--rename",        "--no-rename", "--recursive"};
constexpr std::string_view kValued[] = {
    "--format",      "--quality", "--noise",           "--opacity",  "--text",       "--logo",      "--warp",
    "--blur",        "--sharpen", "--contrast",        "--vignette", "--logo-stamp", "--logo-size", "--logo-opacity",
    "--logo-margin", "--motion",  "--motion-angle",    "--wave",     "--twirl",      "--grain",     "--cr-from",
    "--cr-to",       "--cr-tol",  "--rename-provider", "--api-key",  "--model",      "--base-url",  "--seed",
    "--out-dir",     "--jobs",    "--report",          "--resume",   "--shard"};

bool among(std::string_view word, std::span<const std::string_view> list) {
    return std::find(list.begin(), list.end(), word) != list.end();
}

// Splits the words after --batch into the names of inputs and the options; absent on an
// unknown option or an option missing its value. "--" ends the options.
std::optional<std::pair<std::vector<std::string>, Args>> split(const Args& args) {
    std::vector<std::string> names;
    Args options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--") {
            names.insert(names.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (word.size() < 2 || word.compare(0, 2, "--") != 0) {
            names.push_back(word);
        } else if (among(word, kFlags)) {
            options.push_back(word);
        } else if (among(word, kValued) && i + 1 < args.size()) {
            options.push_back(word);
            options.push_back(args[++i]);
        } else {
            return std::nullopt;
        }
    }
    return std::pair{std::move(names), std::move(options)};
}

int usageError(const std::string& line) {
    if (!line.empty()) std::fprintf(stderr, "error: %s\n", line.c_str());
    std::fputs(batchUsageText, stderr);
    return 2;
}

// The first interrupt stops the batch after the items running reach a point where they can
// be dropped or are written; a second one ends the process at once, as in the other modes.
volatile std::sig_atomic_t stopSignal = 0;
std::atomic<int> stopFlag{0};

void onStop(int signal) {
    if (stopSignal != 0) {
        TemporaryFiles::removeAll();
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    stopSignal = signal;
    stopFlag.store(signal);
}

void stopOnInterrupt() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = onStop;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

struct Totals {
    std::mutex mutex;
    double ssimSum = 0.0;
    std::size_t ssimCount = 0;
    std::optional<double> worst;
    bool reportFailed = false;
};

} // namespace

std::int32_t batch(const Args& args) {
    const auto parts = split(args);
    if (!parts) return usageError("unknown option or option without its value");
    const auto& [names, options] = *parts;
    const auto outDir = value(options, "--out-dir");
    if (names.empty() || !outDir) return usageError("");

    BatchOrder order;
    order.args = options;
    order.settings.colorShift = true;
    order.settings.invisible = true;
    if (const auto error = applyOptions(options, order.settings)) {
        std::fputs(error->c_str(), stderr);
        return 2;
    }
    if (const auto text = value(options, "--seed")) {
        order.seed = parseSeed(*text);
        if (!order.seed) return usageError("--seed takes a whole number from 0 to 18446744073709551615");
    }
    int jobs = workerCount();
    if (const auto text = value(options, "--jobs")) {
        const auto number = parseInteger(*text);
        if (!number || *number < 1 || *number > 256) return usageError("--jobs takes a number from 1 to 256");
        jobs = static_cast<int>(*number);
    }
    Shard shard;
    if (const auto text = value(options, "--shard")) {
        const auto parsed = parseShard(*text);
        if (!parsed) return usageError("--shard takes I/N with 0 <= I < N");
        shard = *parsed;
    }
    std::set<std::string> done;
    if (const auto resume = value(options, "--resume")) {
        // A report not written yet has nothing to skip: the first run of a resumable script.
        std::error_code missing;
        if (std::filesystem::exists(*resume, missing)) {
            auto read = doneInputs(*resume);
            if (!read) {
                std::fprintf(stderr, "error: could not read %s\n", printable(*resume).c_str());
                return 2;
            }
            done = std::move(*read);
        }
    }
    if (order.settings.smartRename && !namingReady()) return 1;

    std::error_code error;
    std::filesystem::create_directories(*outDir, error);
    if (!std::filesystem::is_directory(*outDir, error)) {
        std::fprintf(stderr, "error: could not make the folder %s\n", printable(*outDir).c_str());
        return 1;
    }
    order.outDir = *outDir;
    ReportFile report(value(options, "--report"));
    if (!report.ok()) {
        std::fprintf(stderr, "error: could not open %s: %s\n", printable(*value(options, "--report")).c_str(),
                     report.error().c_str());
        return 1;
    }

    std::vector<BatchInput> inputs = takeShard(listInputs(names, contains(options, "--recursive"), *outDir), shard);
    std::erase_if(inputs, [&](const BatchInput& input) { return done.count(input.path) > 0; });
    largestFirst(inputs);

    const int cores = workerCount();
    const int running = std::clamp(jobs, 1, static_cast<int>(std::max<std::size_t>(inputs.size(), 1)));
    setWorkerCount(WorkSplit::choose(cores, running).pipelineWorkers);
    stopOnInterrupt();

    BatchProgress progress(inputs.size(), ::isatty(STDERR_FILENO) == 1);
    Totals totals;
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < inputs.size() && !stopFlag; i = next++) {
            const std::optional<ItemRecord> record = runItem(inputs[i], order, stopFlag);
            if (!record) break;
            if (!report.append(reportLine(*record))) {
                const std::lock_guard lock(totals.mutex);
                totals.reportFailed = true;
            }
            if (record->ssim) {
                const std::lock_guard lock(totals.mutex);
                totals.ssimSum += *record->ssim;
                ++totals.ssimCount;
                totals.worst = std::min(totals.worst.value_or(*record->ssim), *record->ssim);
            }
            progress.ended(!record->done);
        }
    };
    std::vector<std::thread> workers;
    for (int i = 0; i < running; ++i) workers.emplace_back(work);
    for (std::thread& worker : workers) worker.join();
    progress.close();

    const std::size_t failed = progress.failed(), doneCount = progress.done() - failed;
    std::fprintf(stderr, "%zu done, %zu failed", doneCount, failed);
    if (totals.ssimCount > 0)
        std::fprintf(stderr, ", SSIM mean %.4f, worst %.4f", totals.ssimSum / static_cast<double>(totals.ssimCount),
                     *totals.worst);
    if (stopFlag) std::fprintf(stderr, ", stopped: %zu left for a later run", inputs.size() - progress.done());
    std::fputc('\n', stderr);
    if (totals.reportFailed) std::fputs("error: the report could not be written in full\n", stderr);
    if (stopFlag) return 128 + stopFlag.load();
    return failed > 0 || totals.reportFailed ? 1 : 0;
}

} // namespace quelso::CLI
