#pragma once
// The windowed application, started when no command-line mode is named. A desktop build
// links the Qt window; a command-line-only build links a stand-in that says it is missing.
namespace quelso {

// Takes the whole command line (Qt reads its own options from it); returns the exit status.
int runDesktop(int argc, char** argv);

} // namespace quelso
