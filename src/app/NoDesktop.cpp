// Stand-in for the windowed application in a command-line-only build.
#include <cstdio>

#include "app/Desktop.h"

namespace quelso {

int runDesktop(int, char**) {
    std::fputs("mottler: the desktop application is not part of this build; "
               "use --cli, --extract or --suggest-name (see --help)\n",
               stderr);
    return 1;
}

} // namespace quelso
