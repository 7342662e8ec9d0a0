#include "settings/RenameProvider.h"

namespace quelso::RenameProviders {

namespace {

struct Names {
    std::string_view raw, display, defaultModel;
};

// In the order of the enumeration.
constexpr Names kNames[] = {
    {"appleVision", "On-device (offline)", ""},   {"openAI", "OpenAI", "gpt-4o-mini"},
    {"gemini", "Gemini", "gemini-2.5-flash"},     {"claude", "Claude", "claude-3-5-sonnet-latest"},
    {"custom", "Custom (OpenAI-compatible)", ""},
};
static_assert(std::size(kNames) == allCases.size());

const Names& namesOf(RenameProvider p) {
    const auto index = static_cast<std::size_t>(p);
    return index < std::size(kNames) ? kNames[index] : kNames[0];
}

} // namespace

std::string_view rawValue(RenameProvider p) { return namesOf(p).raw; }

std::string_view displayName(RenameProvider p) { return namesOf(p).display; }

std::string_view defaultModel(RenameProvider p) { return namesOf(p).defaultModel; }

std::optional<RenameProvider> fromRawValue(std::string_view raw) {
    for (RenameProvider p : allCases)
        if (rawValue(p) == raw) return p;
    return std::nullopt;
}

} // namespace quelso::RenameProviders
