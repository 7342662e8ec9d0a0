#include <cstdio>

#include "app/CLI.h"
#include "app/Naming.h"

namespace quelso::CLI {

std::int32_t suggestName(const Args& args) {
    if (args.empty()) {
        std::fputs("usage: Mottler --suggest-name <image>\n", stderr);
        return 2;
    }
    const auto stem = nameFromContent(args[0], args);
    if (!stem) {
        std::printf("no suggestion\n");
        return 1;
    }
    std::printf("%s\n", stem->c_str());
    return 0;
}

} // namespace quelso::CLI
