#pragma once
// What the rest of the program asks of this room: a name for a picture, and whether an AI
// key works. Declared apart from the room's other headers so that callers compile without
// OpenCV or JSON; mottler itself takes these calls from the naming module it loads on first
// use (see naming/NamingEntry.h).
#include <optional>
#include <string>

#include "core/PixelImage.h"
#include "naming/RecognitionLimits.h"
#include "settings/RenameProvider.h"

namespace quelso::AIVision {

// Naming looks no closer than text recognition does, which reduces larger pictures to this
// side. A caller that decodes a file for naming alone can ask the codec for a thumbnail of
// this size instead of the whole picture.
inline constexpr int contentNameMaxSide = RecognitionLimits{}.sourceSide;

// The name stem (up to five keywords joined by "-") for the picture, or absent when
// neither the provider nor offline naming found one.
std::optional<std::string> contentName(const PixelImage& picture, RenameProvider provider, const std::string& apiKey,
                                       const std::string& model, const std::string& baseURL);

// Whether the key is accepted by the provider (always true offline, false when empty).
bool testKey(RenameProvider provider, const std::string& apiKey, const std::string& model, const std::string& baseURL);

} // namespace quelso::AIVision
