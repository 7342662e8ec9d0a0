#include "settings/OutputFormat.h"

namespace quelso::OutputFormats {

std::string_view rawValue(OutputFormat f) {
    switch (f) {
    case OutputFormat::webp:
        return "webp";
    case OutputFormat::png:
        return "png";
    case OutputFormat::jpeg:
        return "jpeg";
    case OutputFormat::heif:
        return "heif";
    }
    return "webp";
}

std::string_view displayName(OutputFormat f) {
    switch (f) {
    case OutputFormat::webp:
        return "WebP";
    case OutputFormat::png:
        return "PNG";
    case OutputFormat::jpeg:
        return "JPEG";
    case OutputFormat::heif:
        return "HEIF";
    }
    return "WebP";
}

std::string_view fileExtension(OutputFormat f) {
    switch (f) {
    case OutputFormat::webp:
        return "webp";
    case OutputFormat::png:
        return "png";
    case OutputFormat::jpeg:
        return "jpg";
    case OutputFormat::heif:
        return "heic";
    }
    return "webp";
}

bool isLossy(OutputFormat f) { return f == OutputFormat::jpeg || f == OutputFormat::heif; }

std::optional<OutputFormat> fromRawValue(std::string_view raw) {
    for (OutputFormat f : allCases)
        if (rawValue(f) == raw) return f;
    return std::nullopt;
}

} // namespace quelso::OutputFormats
