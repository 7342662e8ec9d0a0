#pragma once
// Shows a file in the desktop's file manager.
#include <QString>

namespace quelso::FileReveal {

// Asks the file manager to open the file's folder with the file selected; without a file
// manager service on the session bus, opens the folder with the desktop's default handler.
void show(const QString& path);

} // namespace quelso::FileReveal
