#pragma once
// Finds and opens the modules that mottler loads only when it needs them: beside the
// executable in a build folder, else where the installation puts them, found from the
// executable's real path. A module takes the engine from this executable, so loading it adds
// no second copy of the engine's state.
#include <string>

namespace quelso {

struct ModuleEntry {
    void* address = nullptr; // the entry point; null when the module or its entry is missing
    std::string error;       // then what failed, naming the file or the symbol
};

// Loads the module file (a bare file name) and looks up its entry point. A module that has it
// stays loaded for the rest of the process.
ModuleEntry loadModuleEntry(const char* moduleFile, const char* entryName);

} // namespace quelso
