#include "modules/NamingModule.h"

#include "modules/ModuleLoader.h"
#include "naming/NamingEntry.h"

namespace quelso {

namespace {

struct Loaded {
    const NamingCalls* calls = nullptr;
    std::string error;
};

// The first caller loads the module; callers on other threads wait for it (a local static is
// initialised once, under a lock).
const Loaded& loaded() {
    static const Loaded once = [] {
        const ModuleEntry entry = loadModuleEntry(QUELSO_NAMING_MODULE, namingEntryName);
        if (!entry.address) return Loaded{nullptr, entry.error};
        return Loaded{reinterpret_cast<decltype(&quelso_naming_calls)>(entry.address)(), {}};
    }();
    return once;
}

} // namespace

std::optional<std::string> NamingModule::loadError() {
    if (loaded().calls) return std::nullopt;
    return loaded().error;
}

std::optional<std::string> AIVision::contentName(const PixelImage& picture, RenameProvider provider,
                                                 const std::string& apiKey, const std::string& model,
                                                 const std::string& baseURL) {
    const NamingCalls* calls = loaded().calls;
    if (!calls) return std::nullopt;
    return calls->contentName(picture, provider, apiKey, model, baseURL);
}

bool AIVision::testKey(RenameProvider provider, const std::string& apiKey, const std::string& model,
                       const std::string& baseURL) {
    const NamingCalls* calls = loaded().calls;
    return calls && calls->testKey(provider, apiKey, model, baseURL);
}

} // namespace quelso
