#include <cstdio>
#include <string>

#include "app/CLI.h"
#include "app/InputFiles.h"
#include "platform/Utf8.h"
#include "watermark/Watermark.h"

namespace quelso::CLI {

std::int32_t extract(const Args& args) {
    if (args.empty()) {
        std::fputs("usage: Mottler --extract <file.webp>\n", stderr);
        return 2;
    }
    const std::string& path = args[0];
    const std::optional<PixelImage> image = readPicture(path);
    if (!image) {
        std::fprintf(stderr, "error: could not read %s\n", printable(path).c_str());
        return 1;
    }
    const auto found = Watermark::extract(image->rgba, image->width, image->height);
    if (!found) {
        std::printf("no watermark found\n");
        return 1;
    }
    if (found->type == 0) {
        // Text from a file: nothing in it may reach the terminal as a control sequence.
        const std::string text = printable(utf8OrFallback(found->payload, "<invalid utf8>"));
        std::printf("text: %s\n", text.c_str());
    } else {
        std::printf("image payload: %zu bytes\n", found->payload.size());
    }
    return 0;
}

} // namespace quelso::CLI
