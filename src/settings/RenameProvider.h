#pragma once
// Who names a picture from its content: offline, or one of the remote providers.
#include <array>
#include <optional>
#include <string_view>

namespace quelso {

enum class RenameProvider { appleVision, openAI, gemini, claude, custom };

namespace RenameProviders {
inline constexpr std::array<RenameProvider, 5> allCases{RenameProvider::appleVision, RenameProvider::openAI,
                                                        RenameProvider::gemini, RenameProvider::claude,
                                                        RenameProvider::custom};
std::string_view rawValue(RenameProvider p);
std::string_view displayName(RenameProvider p);
// The model asked for when none is configured; empty for offline and custom.
std::string_view defaultModel(RenameProvider p);
std::optional<RenameProvider> fromRawValue(std::string_view raw);
} // namespace RenameProviders

} // namespace quelso
