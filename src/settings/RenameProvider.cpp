#include "settings/RenameProvider.h"

namespace quelso::RenameProviders {

std::string_view rawValue(RenameProvider p) {
    switch (p) {
    case RenameProvider::appleVision:
        return "appleVision";
    case RenameProvider::openAI:
        return "openAI";
    case RenameProvider::gemini:
        return "gemini";
    case RenameProvider::claude:
        return "claude";
    case RenameProvider::custom:
        return "custom";
    }
    return "appleVision";
}

std::string_view displayName(RenameProvider p) {
    switch (p) {
    case RenameProvider::appleVision:
        return "On-device (offline)";
    case RenameProvider::openAI:
        return "OpenAI";
    case RenameProvider::gemini:
        return "Gemini";
    case RenameProvider::claude:
        return "Claude";
    case RenameProvider::custom:
        return "Custom (OpenAI-compatible)";
    }
    return "";
}

std::string_view defaultModel(RenameProvider p) {
    switch (p) {
    case RenameProvider::openAI:
        return "gpt-4o-mini";
    case RenameProvider::gemini:
        return "gemini-2.5-flash";
    case RenameProvider::claude:
        return "claude-3-5-sonnet-latest";
    case RenameProvider::appleVision:
    case RenameProvider::custom:
        return "";
    }
    return "";
}

std::optional<RenameProvider> fromRawValue(std::string_view raw) {
    for (RenameProvider p : allCases)
        if (rawValue(p) == raw) return p;
    return std::nullopt;
}

} // namespace quelso::RenameProviders
