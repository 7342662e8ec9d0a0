#include "core/RasterBuffer.h"

#include <cstdint>
#include <sys/mman.h>

namespace quelso {

Bytes reservedRaster(std::size_t capacity) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    Bytes buffer;
    buffer.reserve(capacity); // allocated but not yet touched
    if (capacity >= 2 * kHugePage) {
        const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
        const std::uintptr_t aligned = (begin + kHugePage - 1) & ~(kHugePage - 1);
        const std::uintptr_t end = (begin + capacity) & ~(kHugePage - 1);
        if (end > aligned) ::madvise(reinterpret_cast<void*>(aligned), end - aligned, MADV_HUGEPAGE);
    }
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
