#pragma once
// Fresh raster memory. The first write to a new page costs a fault per 4 KiB, which on
// virtual machines takes longer than most passes over the pixels; large buffers ask the
// kernel for huge pages first, cutting that cost about fifteenfold.
#include <cstddef>

#include "core/PixelImage.h"

namespace quelso {

// A zero-filled buffer of size bytes.
Bytes rasterBuffer(std::size_t size);

// A copy of a raster in memory from rasterBuffer, copied on all cores.
Bytes copyRaster(const Bytes& source);

// Makes out hold size bytes, reusing its memory when it already does; contents unspecified.
void ensureRasterSize(Bytes& out, std::size_t size);

} // namespace quelso
