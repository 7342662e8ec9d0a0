#include "app/Naming.h"

#include <cstdio>

#include "modules/NamingModule.h"
#include "naming/ContentName.h"

namespace quelso::CLI {

bool namingReady() {
    const std::optional<std::string> error = NamingModule::loadError();
    if (error) std::fprintf(stderr, "error: content naming is not available: %s\n", error->c_str());
    return !error;
}

std::optional<std::string> nameFromContent(const PixelImage& picture, const Args& args) {
    const RenameProvider provider = renameProvider(args);
    const std::string key = apiKey(args, provider);
    const std::string model = value(args, "--model").value_or("");
    const std::string base = value(args, "--base-url").value_or("");
    return AIVision::contentName(picture, provider, key, model, base);
}

} // namespace quelso::CLI
