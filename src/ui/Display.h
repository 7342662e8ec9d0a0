#pragma once
// What the windowing system offers before and after the application object exists.

namespace quelso::Display {

// True when a window can be shown: a platform named in QT_QPA_PLATFORM, an X server that
// accepts a connection at DISPLAY, or a Wayland compositor named by WAYLAND_DISPLAY.
// Asked before Qt starts, so that a missing display is one line of text, not an abort.
bool available();

// True when windows can be see-through: always on Wayland, on X11 while a compositing
// manager owns the screen's _NET_WM_CM selection. Needs the application object.
bool composited();

} // namespace quelso::Display
