#include "model/ThemeBytes.h"

#include <cmath>

namespace quelso::Theme {

QString bytes(qint64 n) {
    if (n < 1024) return QString::number(n) + QStringLiteral(" B");
    static const char* const units[] = {"B", "KB", "MB", "GB"};
    double v = static_cast<double>(n) / 1024.0;
    int unit = 1;
    // Two more steps at most: terabytes still read as GB.
    for (; unit < 3 && v >= 1024.0; ++unit) v /= 1024.0;
    // The unit is chosen before rounding, so just under a step reads "1024 KB".
    return QString::asprintf("%.0f %s", std::round(v), units[unit]);
}

} // namespace quelso::Theme
