#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <future>
#include <string>

#include "app/CLI.h"
#include "app/InputFiles.h"
#include "app/Naming.h"
#include "app/WatermarkCheck.h"
#include "pipeline/ImageLoader.h"
#include "pipeline/ImageProcessor.h"
#include "platform/Files.h"
#include "platform/ImageCodec.h"
#include "platform/SecureRandom.h"
#include "platform/Utf8.h"

namespace quelso::CLI {

namespace {

std::string formatLabel(const ProcessResult& result, double quality) {
    if (result.lossless) return "lossless";
    // Truncated toward zero, within the 0 to 100 that the encoders use: a lossy file made
    // from --quality 150 was made at 100.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "lossy q%d", static_cast<int>(std::clamp(quality, 0.0, 100.0)));
    return buffer;
}

// The seed of --seed; a value given but not valid is replaced by a random seed, and the
// user is told which, so the run can still be repeated.
std::uint64_t chooseSeed(const Args& args) {
    const auto text = value(args, "--seed");
    if (text)
        if (const auto seed = parseSeed(*text)) return *seed;
    const std::uint64_t seed = secureRandomSeed();
    if (text)
        std::fprintf(stderr,
                     "notice: --seed %s is not a whole number from 0 to 18446744073709551615; "
                     "used the random seed %" PRIu64 "\n",
                     printable(*text).c_str(), seed);
    return seed;
}

// Writes the result under its content name in the folder of --out: the first of stem.ext,
// stem-2.ext, … that does not exist yet, created exclusively, so no file is ever replaced
// (not the input, not an earlier output of the same name). The path written, or absent
// after the error message.
std::optional<std::string> writeNamed(const std::string& out, const std::string& stem, OutputFormat format,
                                      const Bytes& data) {
    const std::filesystem::path folder = std::filesystem::absolute(out).parent_path();
    const std::string extension(OutputFormats::fileExtension(format));
    const Files::Created created = Files::createUnique(
        folder.string(), [&](int counter) { return Files::numberedName(stem, counter, extension); }, data);
    if (created.path.empty()) {
        const std::string first = (folder / Files::numberedName(stem, 1, extension)).string();
        std::fprintf(stderr, "error: could not write %s: %s\n", printable(first).c_str(), created.error.c_str());
        return std::nullopt;
    }
    return created.path;
}

// Reads the record back from the written file; true when it is the one that was embedded.
bool checkWatermark(const PixelImage& decoded, const WatermarkContent& content) {
    const auto found = recordReadBack(decoded, content);
    if (!found) {
        std::printf("watermark NOT found after re-decode\n");
        return false;
    }
    if (found->type == 0) {
        const std::string text = printable(utf8OrFallback(found->payload, "?"));
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
    std::optional<PixelImage> image = readPicture(*in);
    if (!image) {
        std::fprintf(stderr, "error: could not read %s\n", printable(*in).c_str());
        return 1;
    }

    ProcessingSettings settings;
    settings.colorShift = true;
    settings.invisible = true;
    if (const auto error = applyOptions(args, settings)) {
        std::fputs(error->c_str(), stderr);
        return 1;
    }
    const std::uint64_t seed = chooseSeed(args);

    // The check after writing follows what was asked for, not what was embedded: a record that
    // did not fit fails, and so does any other record the file may carry. Without one, no pixels
    // are read back, and a PNG, whose encoder works on one core, is decoded while it is encoded.
    const WatermarkContent content = settings.watermarkContent();
    const bool readBack = settings.invisible && !content.isNone();
    std::optional<ImageCodec::DecodeCheck> decodedAlong;
    if (!readBack && settings.outputFormat == OutputFormat::png) decodedAlong.emplace(ImageCodec::SaveFormat::png);
    const ByteTap pngBytes =
        decodedAlong ? ByteTap([&](const std::uint8_t* data, std::size_t size) { decodedAlong->add(data, size); })
                     : ByteTap();

    // Naming reads only the input: it runs beside the processing, on a core the encoder leaves idle.
    std::future<std::optional<std::string>> stem;
    if (settings.smartRename) stem = std::async(std::launch::async, [&] { return nameFromContent(*image, args); });
    // Without naming, nothing else needs the input's pixels: the chain may work on them in place.
    const std::optional<ProcessResult> result = stem.valid()
                                                    ? ImageProcessor::process(*image, settings, seed, pngBytes)
                                                    : ImageProcessor::processInPlace(*image, settings, seed, pngBytes);
    if (!result) {
        std::fputs("error: processing failed\n", stderr);
        return 1;
    }

    std::string outputPath = *out;
    const std::optional<std::string> name = stem.valid() ? stem.get() : std::nullopt;
    if (name) {
        const auto written = writeNamed(*out, *name, settings.outputFormat, result->data);
        if (!written) return 1;
        outputPath = *written;
    } else if (auto failure = Files::write(outputPath, result->data)) {
        std::fprintf(stderr, "error: could not write %s: %s\n", printable(outputPath).c_str(), failure->c_str());
        return 1;
    }
    std::printf("wrote %s  %" PRId64 "x%" PRId64 "  %s  %.2f KB\n", printable(outputPath).c_str(), result->width,
                result->height, formatLabel(*result, settings.quality).c_str(),
                static_cast<double>(result->data.size()) / 1024.0);
    std::printf("pixels changed: %.3f%%\n", result->percentChanged);

    // A lossy WebP need not be turned into RGBA. The input is spent: the decoder takes its memory
    // instead of fresh pages.
    std::optional<PixelImage> decoded;
    std::optional<ImageLoader::Info> size;
    if (readBack) {
        decoded = ImageLoader::loadOutput(outputPath, std::move(image->rgba));
        if (decoded) size = ImageLoader::Info{decoded->width, decoded->height, {}};
    } else if (decodedAlong) {
        if (const auto header = decodedAlong->finish()) size = ImageLoader::Info{header->width, header->height, {}};
    } else {
        size = ImageLoader::checkOutput(outputPath, std::move(image->rgba));
    }
    if (!size) {
        std::printf("error: output failed to re-decode\n");
        return 1;
    }
    std::printf("re-decoded ok: %" PRId64 "x%" PRId64 "\n", size->width, size->height);
    if (readBack && !checkWatermark(*decoded, content)) return 1;
    return 0;
}

} // namespace quelso::CLI
