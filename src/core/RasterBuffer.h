#pragma once
// Fresh raster memory. The first write to a new page costs a fault per 4 KiB, which on
// virtual machines takes longer than most passes over the pixels; large buffers ask the
// kernel for huge pages first, cutting that cost about fifteenfold. Buffers whose every byte
// is about to be written are filled by appending, never zero-filled first.
#include <cstddef>

#include "core/PixelImage.h"

namespace quelso {

// An empty buffer with room for capacity bytes, to be filled by appending.
Bytes reservedRaster(std::size_t capacity);

// A zero-filled buffer of size bytes.
Bytes rasterBuffer(std::size_t size);

// A copy of a raster in memory from reservedRaster.
Bytes copyRaster(const Bytes& source);

// Makes out hold size bytes, reusing its memory when it already does; contents unspecified.
void ensureRasterSize(Bytes& out, std::size_t size);

} // namespace quelso
