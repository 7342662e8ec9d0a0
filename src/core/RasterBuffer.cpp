#include "core/RasterBuffer.h"

#include <cstdint>
#include <sys/mman.h>

#include "core/Parallel.h"

namespace quelso {

Bytes reservedRaster(std::size_t capacity) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    Bytes buffer;
    buffer.reserve(capacity); // allocated but not yet touched
    if (capacity < 2 * kHugePage) return buffer;
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
    const std::uintptr_t aligned = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (begin + capacity) & ~(kHugePage - 1);
    if (end <= aligned) return buffer;
    ::madvise(reinterpret_cast<void*>(aligned), end - aligned, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    // The kernel clears each fresh page on its first touch; asking for the pages now lets every
    // core clear its share, where the single thread that fills the buffer would clear them all.
    // Kernels before 5.14 refuse the request, and the pages come on first touch as usual.
    const auto pages = static_cast<std::int64_t>((end - aligned) / kHugePage);
    parallelFor(pages, 1, [&](std::int64_t first, std::int64_t last) {
        ::madvise(reinterpret_cast<void*>(aligned + first * kHugePage), (last - first) * kHugePage,
                  MADV_POPULATE_WRITE);
    });
#endif
    return buffer;
}

Bytes rasterBuffer(std::size_t size) {
    Bytes buffer = reservedRaster(size);
    buffer.resize(size);
    return buffer;
}

Bytes copyRaster(const Bytes& source) {
    Bytes copy = reservedRaster(source.size());
    copy.insert(copy.end(), source.begin(), source.end());
    return copy;
}

void ensureRasterSize(Bytes& out, std::size_t size) {
    if (out.size() != size) out = rasterBuffer(size);
}

} // namespace quelso
