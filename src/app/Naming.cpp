#include "app/Naming.h"

#include "naming/AIVision.h"

namespace quelso::CLI {

std::optional<std::string> nameFromContent(const PixelImage& picture, const Args& args) {
    const RenameProvider provider = renameProvider(args);
    const std::string key = apiKey(args, provider);
    const std::string model = value(args, "--model").value_or("");
    const std::string base = value(args, "--base-url").value_or("");
    return AIVision::contentName(picture, provider, key, model, base);
}

} // namespace quelso::CLI
