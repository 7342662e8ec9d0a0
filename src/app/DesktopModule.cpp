// Opens the window from its module, found as modules/ModuleLoader.h says.
#include <cstdio>

#include "app/Desktop.h"
#include "modules/ModuleLoader.h"

namespace quelso {

int runDesktop(int argc, char** argv) {
    const ModuleEntry entry = loadModuleEntry(QUELSO_DESKTOP_MODULE, desktopEntryName);
    if (!entry.address) {
        std::fprintf(stderr, "mottler: cannot start the desktop application: %s\n", entry.error.c_str());
        return 1;
    }
    // The module stays loaded: Qt's exit handlers run after this returns.
    return reinterpret_cast<decltype(&quelso_desktop_main)>(entry.address)(argc, argv);
}

} // namespace quelso
