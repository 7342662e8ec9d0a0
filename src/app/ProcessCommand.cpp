#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <future>
#include <string>

#include "app/CLI.h"
#include "app/Naming.h"
#include "pipeline/ImageLoader.h"
#include "pipeline/ImageProcessor.h"
#include "platform/Files.h"
#include "platform/SecureRandom.h"
#include "platform/Utf8.h"
#include "watermark/Watermark.h"

namespace quelso::CLI {

namespace {

std::string formatLabel(const ProcessResult& result, double quality) {
    if (result.lossless) return "lossless";
    char buffer[400];
    // Truncated toward zero; printed from the double so no value can overflow an integer.
    std::snprintf(buffer, sizeof buffer, "lossy q%.0f", std::trunc(quality) + 0.0);
    return buffer;
}

// The named path: the --out folder, the stem and the output format's extension.
std::string namedPath(const std::string& out, const std::string& stem, OutputFormat format) {
    const std::filesystem::path folder = std::filesystem::absolute(out).parent_path();
    return (folder / (stem + "." + std::string(OutputFormats::fileExtension(format)))).string();
}

// Reads the record back from the written file; true when it is there.
bool checkWatermark(const PixelImage& decoded) {
    const auto found = Watermark::extract(decoded.rgba, decoded.width, decoded.height);
    if (!found) {
        std::printf("watermark NOT found after re-decode\n");
        return false;
    }
    if (found->type == 0) {
        const std::string text = utf8OrFallback(found->payload, "?");
        std::printf("watermark extracted: text=\"%s\"\n", text.c_str());
    } else {
        std::printf("watermark extracted: image %zu bytes\n", found->payload.size());
    }
    return true;
}

} // namespace

std::int32_t process(const Args& args) {
    const auto in = value(args, "--in");
    const auto out = value(args, "--out");
    if (!in || !out) {
        std::fputs(usageText, stderr);
        return 2;
    }
    std::optional<PixelImage> image = ImageLoader::load(*in);
    if (!image) {
        std::fprintf(stderr, "error: could not read %s\n", in->c_str());
        return 1;
    }

    ProcessingSettings settings;
    settings.colorShift = true;
    settings.invisible = true;
    applyOptions(args, settings);
    const auto seedText = value(args, "--seed");
    const std::optional<std::uint64_t> givenSeed = seedText ? parseSeed(*seedText) : std::nullopt;
    const std::uint64_t seed = givenSeed ? *givenSeed : secureRandomSeed();

    // Naming reads only the input: it runs beside the processing, on a core the encoder leaves idle.
    std::future<std::optional<std::string>> stem;
    if (settings.smartRename) stem = std::async(std::launch::async, [&] { return nameFromContent(*image, args); });
    const std::optional<ProcessResult> result = ImageProcessor::process(*image, settings, seed);
    if (!result) {
        std::fputs("error: processing failed\n", stderr);
        return 1;
    }

    std::string outputPath = *out;
    if (stem.valid())
        if (auto name = stem.get()) outputPath = namedPath(*out, *name, settings.outputFormat);

    if (auto failure = Files::write(outputPath, result->data)) {
        std::fprintf(stderr, "error: could not write %s: %s\n", outputPath.c_str(), failure->c_str());
        return 1;
    }
    std::printf("wrote %s  %" PRId64 "x%" PRId64 "  %s  %.2f KB\n", outputPath.c_str(), result->width, result->height,
                formatLabel(*result, settings.quality).c_str(), static_cast<double>(result->data.size()) / 1024.0);
    std::printf("pixels changed: %.3f%%\n", result->percentChanged);

    // The input is spent: the decoded output takes its memory instead of fresh pages.
    const std::optional<PixelImage> decoded = ImageLoader::loadOutput(outputPath, std::move(image->rgba));
    if (!decoded) {
        std::printf("error: output failed to re-decode\n");
        return 1;
    }
    std::printf("re-decoded ok: %" PRId64 "x%" PRId64 "\n", decoded->width, decoded->height);
    // The check follows what was asked for, not what was embedded: a record that did not fit fails.
    if (settings.invisible && !settings.watermarkContent().isNone() && !checkWatermark(*decoded)) return 1;
    return 0;
}

} // namespace quelso::CLI
