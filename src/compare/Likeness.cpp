#include "compare/Likeness.h"

#include "compare/PerceptualHash.h"
#include "compare/Ssim.h"

namespace quelso::Likeness {

Source of(const PixelImage& source, std::int64_t copyWidth, std::int64_t copyHeight) {
    const Ssim::Grid grid = Ssim::grid(source.width, source.height, copyWidth, copyHeight);
    return {LumaGrid::sample(source, grid.width, grid.height), PerceptualHash::of(source), copyWidth, copyHeight};
}

Figures measure(const Source& source, const PixelImage& copy) {
    Figures figures{std::nullopt, PerceptualHash::distance(source.hash, PerceptualHash::of(copy))};
    if (copy.width == source.copyWidth && copy.height == source.copyHeight)
        figures.ssim =
            Ssim::compare(source.ssimGrid, LumaGrid::sample(copy, source.ssimGrid.width, source.ssimGrid.height));
    return figures;
}

} // namespace quelso::Likeness
