#include "ui/Display.h"

#include <cstdlib>
#include <string>

#include <QGuiApplication>
#include <xcb/xcb.h>

namespace quelso::Display {
namespace {

bool set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

bool selectionOwned(xcb_connection_t* connection, int screen) {
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, name.size(), name.c_str()), nullptr);
    if (!atom) return false;
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    std::free(owner);
    std::free(atom);
    return owned;
}

} // namespace

bool available() {
    if (set("QT_QPA_PLATFORM") || set("WAYLAND_DISPLAY")) return true;
    if (!set("DISPLAY")) return false;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool ok = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return ok;
}

bool composited() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("wayland")) return true;
    if (platform != QLatin1String("xcb")) return false;
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen);
    const bool owned = xcb_connection_has_error(connection) == 0 && selectionOwned(connection, screen);
    xcb_disconnect(connection);
    return owned;
}

} // namespace quelso::Display
