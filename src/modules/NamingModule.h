#pragma once
// Content naming in mottler comes from the naming module (OpenCV, Tesseract, curl), loaded the
// first time a picture is named or a key tested, from whichever thread asks first, and at
// most once per process. This room defines AIVision::contentName and AIVision::testKey for
// the executable: they load the module and call its own. While the module cannot be loaded,
// contentName finds no name and testKey accepts no key; callers that must tell the user why
// ask loadError.
#include <optional>
#include <string>

namespace quelso::NamingModule {

// Loads the module unless that has been tried already; absent when it is loaded, else what
// failed (the module's path or entry point and the loader's message).
std::optional<std::string> loadError();

} // namespace quelso::NamingModule
