#include <cstdio>

#include "app/CLI.h"
#include "app/Naming.h"
#include "naming/ContentName.h"
#include "pipeline/ImageLoader.h"

namespace quelso::CLI {

std::int32_t suggestName(const Args& args) {
    if (args.empty()) {
        std::fputs("usage: Mottler --suggest-name <image>\n", stderr);
        return 2;
    }
    if (!namingReady()) return 1;
    // Naming reads no more than a reduced picture, so the file is decoded at that size.
    const std::optional<PixelImage> picture = ImageLoader::thumbnail(args[0], AIVision::contentNameMaxSide);
    const auto stem = picture ? nameFromContent(*picture, args) : std::nullopt;
    if (!stem) {
        std::printf("no suggestion\n");
        return 1;
    }
    std::printf("%s\n", stem->c_str());
    return 0;
}

} // namespace quelso::CLI
