#include "settings/InputExtensions.h"

#include <algorithm>

namespace quelso::InputExtensions {

bool accepted(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) return false;
    const std::string_view extension = fileName.substr(dot + 1);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::any_of(all.begin(), all.end(), [&](std::string_view known) {
        return known.size() == extension.size() &&
               std::equal(known.begin(), known.end(), extension.begin(), [&](char a, char b) { return a == lower(b); });
    });
}

} // namespace quelso::InputExtensions
