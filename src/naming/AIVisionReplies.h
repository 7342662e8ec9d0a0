#pragma once
// The answer text inside a provider's reply.
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "naming/AIVisionProviders.h"

namespace quelso::AIVision {

// Absent when the reply does not have the dialect's shape.
std::optional<std::string> answerText(Dialect dialect, const nlohmann::json& reply);

} // namespace quelso::AIVision
