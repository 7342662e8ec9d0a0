#include "modules/ModuleLoader.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include <dlfcn.h>

namespace quelso {

namespace fs = std::filesystem;

ModuleEntry loadModuleEntry(const char* moduleFile, const char* entryName) {
    std::error_code error;
    const fs::path executable = fs::canonical("/proc/self/exe", error);
    if (error) return {nullptr, "/proc/self/exe: " + error.message()};
    const fs::path beside = executable.parent_path() / moduleFile;
    const fs::path installed = (executable.parent_path() / QUELSO_MODULE_FROM_BIN / moduleFile).lexically_normal();
    // When neither file is there, the installed place is the one to name in the message.
    const fs::path& module = fs::exists(beside, error) ? beside : installed;
    // A module is linked to be bound whole as it loads, so that one that does not fit this
    // executable fails here with the symbol named instead of part-way through its work. The
    // libraries under it are bound as they are used, as when a program starts (binding all of
    // OpenCV's and Tesseract's at once made the naming module's load take 20 ms instead of 15).
    void* handle = dlopen(module.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) return {nullptr, dlerror()};
    void* entry = dlsym(handle, entryName);
    if (entry) return {entry, {}};
    // Not the module meant: it is not kept.
    std::string missing = dlerror();
    dlclose(handle);
    return {nullptr, std::move(missing)};
}

} // namespace quelso
