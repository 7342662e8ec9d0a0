// mottler: the command-line modes, or the desktop application when no mode is named.
#include <cstdio>
#include <string>

#include "app/CLI.h"
#include "app/Desktop.h"

int main(int argc, char** argv) {
    using namespace quelso;
    const CLI::Args args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty()) return runDesktop(argc, argv);
    const std::string& mode = args[0];
    const CLI::Args rest(args.begin() + 1, args.end());
    if (mode == "--cli") return CLI::process(rest);
    if (mode == "--extract") return CLI::extract(rest);
    if (mode == "--suggest-name") return CLI::suggestName(rest);
    if (mode == "--help" || mode == "-h") {
        std::fputs(CLI::usageText, stdout);
        return 0;
    }
    if (mode == "--version") {
        std::printf("mottler %s\n", QUELSO_VERSION);
        return 0;
    }
    return runDesktop(argc, argv);
}
