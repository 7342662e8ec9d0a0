#include "app/BatchItem.h"

#include <chrono>

#include "app/InputFiles.h"
#include "app/Naming.h"
#include "app/WatermarkCheck.h"
#include "compare/Likeness.h"
#include "pipeline/ImageLoader.h"
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
    std::optional<PixelImage> image = readPicture(input.path);
    if (!image) return finish("could not read");
    const std::optional<ProcessResult> result = ImageProcessor::process(*image, order.settings, record.seed);
    if (!result) return finish("processing failed");
    if (stop) return std::nullopt;
    const std::optional<std::string> contentName =
        order.settings.smartRename ? nameFromContent(*image, order.args) : std::nullopt;
    if (stop) return std::nullopt;

    // Every check runs on the encoded bytes before they are written, from one decode that
    // takes the source's raster once the source is measured. An item that fails writes
    // nothing, and the report line is appended the moment the output has its name, so a
    // batch killed part-way leaves no output unknown to --resume but for an item caught
    // between those two steps.
    record.width = result->width;
    record.height = result->height;
    record.bytes = static_cast<std::int64_t>(result->data.size());
    record.percentChanged = result->percentChanged;
    record.watermarkEmbedded = result->watermarkEmbedded;
    const Likeness::Source source = Likeness::of(*image, result->width, result->height);
    const std::optional<PixelImage> decoded = ImageLoader::loadOutput(result->data, std::move(image->rgba));
    image.reset();
    if (!decoded) return finish("output failed to re-decode");
    const Likeness::Figures figures = Likeness::measure(source, *decoded);
    const WatermarkContent content = order.settings.watermarkContent();
    const bool wanted = order.settings.invisible && !content.isNone();
    record.watermarkRead = wanted && recordReadBack(*decoded, content).has_value();
    // As with --cli: a watermark asked for and not read back fails the item.
    if (wanted && !record.watermarkRead) return finish("watermark not found after re-decode");
    if (stop) return std::nullopt;

    const Files::Created created = OutputName::write(order.outDir, OutputName::base(input.path, contentName),
                                                     order.settings.outputFormat, result->data);
    if (created.path.empty()) return finish("could not write: " + created.error);
    // The figures describe the copy written; a copy that was not has none.
    record.output = created.path;
    record.ssim = figures.ssim;
    record.hashDistance = figures.hashDistance;
    record.done = true;
    return finish("");
}

} // namespace quelso::CLI
