// Offline naming on 12-megapixel pictures, with and without text: recognition at full size
// (the baseline) against the reduced size the recognizer uses, and the whole offline path.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "naming/DefaultClassifier.h"
#include "naming/SmartRename.h"
#include "naming/TesseractRecognizer.h"

using namespace quelso;

namespace {

PixelImage toPicture(const cv::Mat& bgr) {
    cv::Mat rgba;
    cv::cvtColor(bgr, rgba, cv::COLOR_BGR2RGBA);
    PixelImage picture;
    picture.width = rgba.cols;
    picture.height = rgba.rows;
    picture.rgba.assign(rgba.data, rgba.data + rgba.total() * 4);
    return picture;
}

struct Timing {
    double wallMs = 0, cpuMs = 0;
};

// Median of three runs after one warm-up (which loads the engines).
template <typename Work>
Timing measure(Work&& work) {
    work();
    std::vector<Timing> runs;
    for (int i = 0; i < 3; ++i) {
        const auto wall = std::chrono::steady_clock::now();
        const std::clock_t cpu = std::clock();
        work();
        runs.push_back({std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall).count(),
                        1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC});
    }
    std::sort(runs.begin(), runs.end(), [](const Timing& a, const Timing& b) { return a.cpuMs < b.cpuMs; });
    return runs[1];
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words) text += (text.empty() ? "" : "-") + word;
    return text.empty() ? "(none)" : text;
}

} // namespace

int main() {
    const cv::Mat sample = cv::imread(std::string(QUELSO_SAMPLES) + "/harbour.jpg", cv::IMREAD_COLOR);
    if (sample.empty()) {
        std::fprintf(stderr, "bench_naming: cannot read the harbour sample\n");
        return 1;
    }
    // The whole scene carries a sign; its right part (sea, sky, boats) has no text.
    const cv::Size twelveMegapixels(4000, 3000);
    cv::Mat withText, withoutText;
    cv::resize(sample, withText, twelveMegapixels, 0, 0, cv::INTER_CUBIC);
    cv::resize(sample(cv::Rect(sample.cols * 7 / 16, 0, sample.cols * 9 / 16, sample.rows)), withoutText,
               twelveMegapixels, 0, 0, cv::INTER_CUBIC);

    const TesseractRecognizer fullSize(defaultTessdataPath(), RecognitionLimits{1 << 20});
    const TesseractRecognizer reduced(defaultTessdataPath());
    // Ratios compare processor time, which other work on the machine disturbs less.
    std::printf("%-14s %-26s %12s %12s %8s  %s\n", "picture", "step", "wall ms", "cpu ms", "cpu ratio", "result");
    for (const auto& [name, image] : {std::pair{"with text", &withText}, std::pair{"without text", &withoutText}}) {
        const PixelImage picture = toPicture(*image);
        std::vector<std::string> lines;
        const Timing full = measure([&] { lines = SmartRename::recognizeText(picture, fullSize); });
        const std::string fullLines = joined(SmartRename::keywords(lines, 5));
        const Timing small = measure([&] { lines = SmartRename::recognizeText(picture, reduced); });
        SmartRename::Keywords words;
        const Timing whole = measure([&] { words = SmartRename::offlineKeywords(picture, 5); });
        std::printf("%-14s %-26s %12.0f %12.0f %8.2f  %s\n", name, "text, full size (baseline)", full.wallMs,
                    full.cpuMs, 1.0, fullLines.c_str());
        std::printf("%-14s %-26s %12.0f %12.0f %8.2f  %s\n", name, "text, reduced to 3200", small.wallMs, small.cpuMs,
                    small.cpuMs / full.cpuMs, joined(SmartRename::keywords(lines, 5)).c_str());
        std::printf("%-14s %-26s %12.0f %12.0f %8.2f  %s\n", name, "offline naming, whole", whole.wallMs, whole.cpuMs,
                    whole.cpuMs / full.cpuMs, joined(words).c_str());
    }
    return 0;
}
