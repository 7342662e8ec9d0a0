#include <cstdio>

#include "app/CLI.h"
#include "app/InputFiles.h"
#include "app/Naming.h"

namespace quelso::CLI {

std::int32_t suggestName(const Args& args) {
    if (args.empty()) {
        std::fputs("usage: Mottler --suggest-name <image>\n", stderr);
        return 2;
    }
    const std::optional<PixelImage> picture = readPicture(args[0]);
    const auto stem = picture ? nameFromContent(*picture, args) : std::nullopt;
    if (!stem) {
        std::printf("no suggestion\n");
        return 1;
    }
    std::printf("%s\n", stem->c_str());
    return 0;
}

} // namespace quelso::CLI
