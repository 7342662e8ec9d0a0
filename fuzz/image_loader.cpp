// Decoding any bytes as a picture, through libvips with the loaders and limits we allow; and
// the same bytes streamed from the decoder through the default chain into a JPEG, which must
// give the file the whole-raster road gives whenever both give one. (Not "nothing where that
// road has no picture": libvips 8.14 decodes some damaged lossless WebP files on some runs
// only, damaged-lossless.webp in the corpus being one.)
#include <cstdint>
#include <cstdlib>

#include "pipeline/ImageLoader.h"
#include "pipeline/ImageProcessor.h"

using namespace quelso;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Large claimed sizes are refused from the header either way; a low limit keeps each
    // run quick and within the fuzzer's memory budget.
    ::setenv("QUELSO_MAX_PIXELS", "4000000", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes bytes(data, data + size);
    auto image = ImageLoader::load(bytes);
    if (image && (image->width < 1 || image->height < 1 ||
                  image->rgba.size() != static_cast<std::size_t>(image->width * image->height * 4)))
        std::abort();

    ProcessingSettings settings;
    settings.outputFormat = OutputFormat::jpeg;
    settings.colorShift = true;
    const auto streamed = ImageProcessor::transcode(bytes, settings, 7);
    if (streamed && image) {
        const auto whole = ImageProcessor::processInPlace(*image, settings, 7);
        if (!whole || whole->data != streamed->data || whole->percentChanged != streamed->percentChanged) std::abort();
    }
    return 0;
}
