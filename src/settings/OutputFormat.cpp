#include "settings/OutputFormat.h"

namespace quelso::OutputFormats {

namespace {

struct Names {
    std::string_view raw, display, extension;
};

// In the order of the enumeration.
constexpr Names kNames[] = {
    {"webp", "WebP", "webp"},
    {"png", "PNG", "png"},
    {"jpeg", "JPEG", "jpg"},
    {"heif", "HEIF", "heic"},
};
static_assert(std::size(kNames) == allCases.size());

const Names& namesOf(OutputFormat f) {
    const auto index = static_cast<std::size_t>(f);
    return index < std::size(kNames) ? kNames[index] : kNames[0];
}

} // namespace

std::string_view rawValue(OutputFormat f) { return namesOf(f).raw; }

std::string_view displayName(OutputFormat f) { return namesOf(f).display; }

std::string_view fileExtension(OutputFormat f) { return namesOf(f).extension; }

bool isLossy(OutputFormat f) { return f == OutputFormat::jpeg || f == OutputFormat::heif; }

std::optional<OutputFormat> fromRawValue(std::string_view raw) {
    for (OutputFormat f : allCases)
        if (rawValue(f) == raw) return f;
    return std::nullopt;
}

} // namespace quelso::OutputFormats
