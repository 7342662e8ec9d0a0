#include "app/BatchItem.h"

#include <chrono>

#include "app/InputFiles.h"
#include "app/Naming.h"
#include "app/WatermarkCheck.h"
#include "compare/PerceptualHash.h"
#include "compare/Ssim.h"
#include "pipeline/ImageProcessor.h"
#include "pipeline/OutputName.h"
#include "platform/Files.h"
#include "platform/SecureRandom.h"

namespace quelso::CLI {

std::optional<ItemRecord> runItem(const BatchInput& input, const BatchOrder& order, const std::atomic<int>& stop) {
    const auto start = std::chrono::steady_clock::now();
    ItemRecord record;
    record.input = input.path;
    record.seed = order.seed ? itemSeed(*order.seed, input.relative) : secureRandomSeed();
    const auto finish = [&](std::string message) {
        record.message = std::move(message);
        record.milliseconds =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        return record;
    };

    if (stop) return std::nullopt;
    const std::optional<PixelImage> image = readPicture(input.path);
    if (!image) return finish("could not read");
    const std::optional<ProcessResult> result = ImageProcessor::process(*image, order.settings, record.seed);
    if (!result) return finish("processing failed");
    if (stop) return std::nullopt;
    const std::optional<std::string> contentName =
        order.settings.smartRename ? nameFromContent(*image, order.args) : std::nullopt;
    if (stop) return std::nullopt;

    const std::string base = OutputName::base(input.path, contentName);
    const std::string extension(OutputFormats::fileExtension(order.settings.outputFormat));
    const Files::Created created = Files::createUnique(
        order.outDir, [&](int counter) { return Files::numberedName(base, counter, extension); }, result->data);
    if (created.path.empty()) return finish("could not write: " + created.error);
    record.output = created.path;
    record.width = result->width;
    record.height = result->height;
    record.bytes = static_cast<std::int64_t>(result->data.size());
    record.percentChanged = result->percentChanged;
    record.watermarkEmbedded = result->watermarkEmbedded;

    const std::optional<PixelImage> decoded = readPicture(created.path);
    if (!decoded) return finish("output failed to re-decode");
    record.ssim = Ssim::compare(*image, *decoded);
    record.hashDistance = PerceptualHash::distance(PerceptualHash::of(*image), PerceptualHash::of(*decoded));
    const WatermarkContent content = order.settings.watermarkContent();
    const bool wanted = order.settings.invisible && !content.isNone();
    record.watermarkRead = wanted && recordReadBack(*decoded, content).has_value();
    // As with --cli: a watermark asked for and not read back fails the item.
    if (wanted && !record.watermarkRead) return finish("watermark not found after re-decode");
    record.done = true;
    return finish("");
}

} // namespace quelso::CLI
