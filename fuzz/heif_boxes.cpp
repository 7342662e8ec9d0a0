// The HEIF box editor that removes the Exif items libheif writes: any bytes in, never a
// read or write outside them.
#include <cstdint>

#include "encode/HeifExif.h"

using namespace quelso;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes heif(data, data + size);
    HeifExif::withoutExifItems(heif);
    return 0;
}
