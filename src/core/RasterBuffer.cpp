#include "core/RasterBuffer.h"

#include <cstdint>
#include <cstring>
#include <sys/mman.h>

#include "core/Parallel.h"

namespace quelso {

Bytes rasterBuffer(std::size_t size) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    Bytes buffer;
    if (size >= 2 * kHugePage) {
        buffer.reserve(size); // allocated but not yet touched
        const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
        const std::uintptr_t aligned = (begin + kHugePage - 1) & ~(kHugePage - 1);
        const std::uintptr_t end = (begin + size) & ~(kHugePage - 1);
        if (end > aligned) ::madvise(reinterpret_cast<void*>(aligned), end - aligned, MADV_HUGEPAGE);
    }
    buffer.resize(size);
    return buffer;
}

Bytes copyRaster(const Bytes& source) {
    Bytes copy = rasterBuffer(source.size());
    parallelFor(static_cast<std::int64_t>(source.size()), std::int64_t{1} << 20,
                [&](std::int64_t begin, std::int64_t end) {
                    std::memcpy(copy.data() + begin, source.data() + begin, static_cast<std::size_t>(end - begin));
                });
    return copy;
}

void ensureRasterSize(Bytes& out, std::size_t size) {
    if (out.size() != size) out = rasterBuffer(size);
}

} // namespace quelso
