// Decoding any bytes as a picture, through libvips with the loaders and limits we allow.
#include <cstdint>
#include <cstdlib>

#include "pipeline/ImageLoader.h"

using namespace quelso;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Large claimed sizes are refused from the header either way; a low limit keeps each
    // run quick and within the fuzzer's memory budget.
    ::setenv("QUELSO_MAX_PIXELS", "4000000", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto image = ImageLoader::load(Bytes(data, data + size));
    if (image && (image->width < 1 || image->height < 1 ||
                  image->rgba.size() != static_cast<std::size_t>(image->width * image->height * 4)))
        std::abort();
    return 0;
}
