// mottler: the command-line modes, or the desktop application when no mode is named.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/CLI.h"
#include "app/Desktop.h"
#include "platform/TemporaryFiles.h"

namespace {

// Anyone on the machine can read a process's command line. A key given with --api-key is
// overwritten there once copied; it was readable until then, which is why the help text
// points to the environment variables and to --api-key -.
void hideKeys(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--api-key") == 0) std::memset(argv[i + 1], 'x', std::strlen(argv[i + 1]));
}

} // namespace

int main(int argc, char** argv) {
    using namespace quelso;
    const CLI::Args args(argv + (argc > 0 ? 1 : 0), argv + argc);
    hideKeys(argc, argv);
    TemporaryFiles::removeOnInterrupt();
    if (args.empty()) return runDesktop(argc, argv);
    const std::string& mode = args[0];
    const CLI::Args rest(args.begin() + 1, args.end());
    if (mode == "--cli") return CLI::process(rest);
    if (mode == "--extract") return CLI::extract(rest);
    if (mode == "--suggest-name") return CLI::suggestName(rest);
    if (mode == "--batch") return CLI::batch(rest);
    if (mode == "--help" || mode == "-h") {
        std::fputs(CLI::usageText, stdout);
        std::fputs(CLI::batchUsageText, stdout);
        std::fputs(CLI::helpText, stdout);
        return 0;
    }
    if (mode == "--version") {
        std::printf("mottler %s\n", QUELSO_VERSION);
        return 0;
    }
    return runDesktop(argc, argv);
}
