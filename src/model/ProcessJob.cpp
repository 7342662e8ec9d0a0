#include "model/ProcessJob.h"

#include "naming/ContentName.h"
#include "pipeline/ImageLoader.h"
#include "pipeline/ImageProcessor.h"
#include "pipeline/OutputName.h"
#include "platform/Files.h"
#include "platform/SecureRandom.h"

namespace quelso {

namespace {

JobOutcome failed(const char* message) {
    JobOutcome outcome;
    outcome.kind = JobOutcome::Failed;
    outcome.message = QString::fromUtf8(message);
    return outcome;
}

} // namespace

JobOutcome runJob(const JobOrder& order, const std::atomic<bool>& cancelled) {
    const ProcessingSettings& s = order.settings;
    if (cancelled) return {};
    std::optional<PixelImage> image = ImageLoader::load(order.inputPath);
    if (!image) return failed("Couldn\u2019t read image");

    // Naming looks at the decoded source first, so that processing may then work on that very
    // raster in place instead of a copy of it.
    std::optional<std::string> contentName;
    if (s.smartRename)
        contentName = AIVision::contentName(*image, s.renameProvider, s.aiAPIKey, s.aiModel, s.aiBaseURL);
    if (cancelled) return {};
    const std::optional<ProcessResult> result =
        ImageProcessor::processInPlace(*image, s, order.seed ? *order.seed : secureRandomSeed());
    image.reset();
    if (!result) return failed("Encode failed");
    if (cancelled) return {};

    // Written under a temporary name and moved onto the first name that is still free at
    // that moment, so two jobs that pick the same name never overwrite one another.
    const Files::Created created =
        OutputName::write(OutputName::folder(order.inputPath, order.destination),
                          OutputName::base(order.inputPath, contentName), s.outputFormat, result->data);
    if (created.path.empty()) return failed("Couldn\u2019t write output");
    JobOutcome written;
    written.kind = JobOutcome::Written;
    written.percentChanged = result->percentChanged;
    written.watermarked = result->watermarkEmbedded;
    written.outputPath = created.path;
    written.outputBytes = static_cast<std::int64_t>(result->data.size());
    return written;
}

} // namespace quelso
