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
// user is told which (by tellSeed, once the input has been read), so the run can still be
// repeated.
struct Seed {
    std::uint64_t value = 0;
    std::optional<std::string> invalid; // the text given, when it was not a seed
};

Seed chooseSeed(const Args& args) {
    const auto text = value(args, "--seed");
    if (text)
        if (const auto seed = parseSeed(*text)) return {*seed, std::nullopt};
    return {secureRandomSeed(), text};
}

void tellSeed(const Seed& seed) {
    if (seed.invalid)
        std::fprintf(stderr,
                     "notice: --seed %s is not a whole number from 0 to 18446744073709551615; "
                     "used the random seed %" PRIu64 "\n",
                     printable(*seed.invalid).c_str(), seed.value);
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

// The check after writing, made while the encoder writes: PNG and JPEG are decoded on a thread of
// their own from the bytes as they come.
struct CheckAlong {
    // Not wanted when the check reads the pixels back instead.
    CheckAlong(OutputFormat format, bool wanted) {
        if (!wanted) return;
        if (format == OutputFormat::png) check.emplace(ImageCodec::SaveFormat::png);
        if (format == OutputFormat::jpeg) check.emplace(ImageCodec::SaveFormat::jpeg);
        if (check) tap = [this](const std::uint8_t* data, std::size_t size) { check->add(data, size); };
    }
    CheckAlong(const CheckAlong&) = delete; // the tap points at this one
    CheckAlong& operator=(const CheckAlong&) = delete;

    std::optional<ImageCodec::DecodeCheck> check;
    ByteTap tap;
};

// Writes the result under --out, or under its content name; the path written, or absent after
// the error message.
std::optional<std::string> writeResult(const std::string& out, const std::optional<std::string>& name,
                                       OutputFormat format, const ProcessResult& result, double quality) {
    std::string outputPath = out;
    if (name) {
        const auto written = writeNamed(out, *name, format, result.data);
        if (!written) return std::nullopt;
        outputPath = *written;
    } else if (auto failure = Files::write(outputPath, result.data)) {
        std::fprintf(stderr, "error: could not write %s: %s\n", printable(outputPath).c_str(), failure->c_str());
        return std::nullopt;
    }
    std::printf("wrote %s  %" PRId64 "x%" PRId64 "  %s  %.2f KB\n", printable(outputPath).c_str(), result.width,
                result.height, formatLabel(result, quality).c_str(), static_cast<double>(result.data.size()) / 1024.0);
    std::printf("pixels changed: %.3f%%\n", result.percentChanged);
    return outputPath;
}

std::int32_t reportDecoded(const std::optional<ImageLoader::Info>& size) {
    if (!size) {
        std::printf("error: output failed to re-decode\n");
        return 1;
    }
    std::printf("re-decoded ok: %" PRId64 "x%" PRId64 "\n", size->width, size->height);
    return 0;
}

std::optional<ImageLoader::Info> checked(CheckAlong& along) {
    const auto header = along.check->finish();
    if (!header) return std::nullopt;
    return ImageLoader::Info{header->width, header->height, header->format};
}

} // namespace

std::int32_t process(const Args& args) {
    const auto in = value(args, "--in");
    const auto out = value(args, "--out");
    if (!in || !out) {
        std::fputs(usageText, stderr);
        return 2;
    }
    const std::optional<Bytes> input = Files::read(*in);
    if (!input) {
        std::fprintf(stderr, "error: could not read %s\n", printable(*in).c_str());
        return 1;
    }

    ProcessingSettings settings;
    settings.colorShift = true;
    settings.invisible = true;
    const std::optional<std::string> optionError = applyOptions(args, settings);
    const Seed seed = chooseSeed(args);

    // The check after writing follows what was asked for, not what was embedded: a record that
    // did not fit fails, and so does any other record the file may carry. Without one, no pixels
    // are read back, and a PNG or JPEG, whose encoders work on one core, is decoded while it is
    // encoded.
    const WatermarkContent content = settings.watermarkContent();
    const bool readBack = settings.invisible && !content.isNone();

    // A chain of per-pixel steps to PNG or JPEG, with nothing else wanting the input's pixels,
    // streams from the decoder to the encoder without holding the picture. Anything that stops
    // it takes the ordinary road below, which gives the same file or says what failed.
    if (!optionError && !readBack && !settings.smartRename) {
        CheckAlong along(settings.outputFormat, true);
        if (const auto streamed = ImageProcessor::transcode(*input, settings, seed.value, along.tap)) {
            tellSeed(seed);
            const auto written = writeResult(*out, std::nullopt, settings.outputFormat, *streamed, settings.quality);
            if (!written) return 1;
            return reportDecoded(checked(along));
        }
    }

    std::optional<PixelImage> image = ImageLoader::load(*input);
    if (!image) {
        std::fprintf(stderr, "error: could not read %s\n", printable(*in).c_str());
        return 1;
    }
    if (optionError) {
        std::fputs(optionError->c_str(), stderr);
        return 1;
    }
    if (settings.smartRename && !namingReady()) return 1;
    tellSeed(seed);

    CheckAlong along(settings.outputFormat, !readBack);

    // Naming reads only the input: it runs beside the processing, on a core the encoder leaves idle.
    std::future<std::optional<std::string>> stem;
    if (settings.smartRename) stem = std::async(std::launch::async, [&] { return nameFromContent(*image, args); });
    // Without naming, nothing else needs the input's pixels: the chain may work on them in place.
    const std::optional<ProcessResult> result =
        stem.valid() ? ImageProcessor::process(*image, settings, seed.value, along.tap)
                     : ImageProcessor::processInPlace(*image, settings, seed.value, along.tap);
    if (!result) {
        std::fputs("error: processing failed\n", stderr);
        return 1;
    }
    const std::optional<std::string> name = stem.valid() ? stem.get() : std::nullopt;
    const auto outputPath = writeResult(*out, name, settings.outputFormat, *result, settings.quality);
    if (!outputPath) return 1;

    // A lossy WebP need not be turned into RGBA. The input is spent: the decoder takes its memory
    // instead of fresh pages.
    if (readBack) {
        const std::optional<PixelImage> decoded = ImageLoader::loadOutput(*outputPath, std::move(image->rgba));
        std::optional<ImageLoader::Info> size;
        if (decoded) size.emplace(ImageLoader::Info{decoded->width, decoded->height, {}});
        if (reportDecoded(size) != 0) return 1;
        return checkWatermark(*decoded, content) ? 0 : 1;
    }
    return reportDecoded(along.check ? checked(along) : ImageLoader::checkOutput(*outputPath, std::move(image->rgba)));
}

} // namespace quelso::CLI
