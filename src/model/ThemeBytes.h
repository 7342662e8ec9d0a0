#pragma once
// Byte counts as the short size text of the file list.
#include <QString>

namespace quelso::Theme {

// "512 B", "2 KB", "1024 KB", "1 MB": steps of 1024, rounded to whole units, halves up.
QString bytes(qint64 n);

} // namespace quelso::Theme
