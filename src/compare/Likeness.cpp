#include "compare/Likeness.h"

#include <array>

#include "compare/PerceptualHash.h"
#include "compare/Ssim.h"

namespace quelso::Likeness {

namespace {

constexpr LumaGrid::Size kHashGrid{PerceptualHash::kGridSide, PerceptualHash::kGridSide};

} // namespace

Source of(const PixelImage& source, std::int64_t copyWidth, std::int64_t copyHeight) {
    const std::array sizes{Ssim::grid(source.width, source.height, copyWidth, copyHeight), kHashGrid};
    std::vector<LumaGrid::Plane> planes = LumaGrid::sample(source, sizes);
    return {std::move(planes[0]), PerceptualHash::of(planes[1]), copyWidth, copyHeight};
}

Figures measure(const Source& source, const PixelImage& copy) {
    const std::array sizes{LumaGrid::Size{source.ssimGrid.width, source.ssimGrid.height}, kHashGrid};
    const std::vector<LumaGrid::Plane> planes = LumaGrid::sample(copy, sizes);
    Figures figures{std::nullopt, PerceptualHash::distance(source.hash, PerceptualHash::of(planes[1]))};
    if (copy.width == source.copyWidth && copy.height == source.copyHeight)
        figures.ssim = Ssim::compare(source.ssimGrid, planes[0]);
    return figures;
}

} // namespace quelso::Likeness
