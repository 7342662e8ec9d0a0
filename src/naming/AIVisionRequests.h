#pragma once
// The requests sent to a provider, shaped for its dialect.
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "naming/AIVisionProviders.h"

namespace quelso::AIVision {

struct Call {
    std::string method;
    std::string url;
    std::optional<nlohmann::json> body;
};

// The instruction and the picture (base64 JPEG), for the given model.
Call namingCall(const Service& service, const std::string& model, const std::string& base64);

// The cheapest request that succeeds only with a valid key.
Call keyTestCall(const Service& service, const std::string& model);

} // namespace quelso::AIVision
