// Opens the window from its module: beside this executable in a build folder, or where the
// installation puts it, found from the executable's real path. The module takes the engine
// from this executable, so loading it adds no second copy of the engine's state.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <dlfcn.h>

#include "app/Desktop.h"

namespace quelso {
namespace {

namespace fs = std::filesystem;

int cannotStart(const std::string& what) {
    std::fprintf(stderr, "mottler: cannot start the desktop application: %s\n", what.c_str());
    return 1;
}

} // namespace

int runDesktop(int argc, char** argv) {
    std::error_code error;
    const fs::path executable = fs::canonical("/proc/self/exe", error);
    if (error) return cannotStart("/proc/self/exe: " + error.message());
    const fs::path beside = executable.parent_path() / QUELSO_DESKTOP_MODULE;
    const fs::path installed =
        (executable.parent_path() / QUELSO_DESKTOP_MODULE_FROM_BIN / QUELSO_DESKTOP_MODULE).lexically_normal();
    // When neither file is there, the installed place is the one to name in the message.
    const fs::path& module = fs::exists(beside, error) ? beside : installed;
    // Bound now rather than on first call, so that a module that does not fit this executable
    // fails here with the symbol named instead of part-way through the window's start.
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return cannotStart(dlerror());
    void* entry = dlsym(handle, desktopEntryName);
    if (!entry) return cannotStart(dlerror());
    // The module stays loaded: Qt's exit handlers run after this returns.
    return reinterpret_cast<decltype(&quelso_desktop_main)>(entry)(argc, argv);
}

} // namespace quelso
