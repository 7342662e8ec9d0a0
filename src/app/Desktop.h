#pragma once
// The windowed application, started when no command-line mode is named. A desktop build
// opens the window from a module of its own, so that the command line starts without loading
// Qt; a command-line-only build links a stand-in that says it is missing.
namespace quelso {

// Takes the whole command line (Qt reads its own options from it); returns the exit status.
int runDesktop(int argc, char** argv);

// The name under which the window module exports its entry point, quelso_desktop_main.
inline constexpr const char* desktopEntryName = "quelso_desktop_main";

} // namespace quelso

// The window module's entry point, which runDesktop looks up once it has loaded the module.
// It takes and returns what runDesktop does.
extern "C" int quelso_desktop_main(int argc, char** argv);
