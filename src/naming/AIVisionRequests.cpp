#include "naming/AIVisionRequests.h"

namespace quelso::AIVision {

namespace {

using nlohmann::json;

json openAIBody(const std::string& model, const std::string& base64) {
    return {
        {"model", model},
        {"temperature", 0.2},
        {"max_tokens", 30},
        {"messages",
         json::array(
             {{{"role", "user"},
               {"content", json::array({
                               {{"type", "text"}, {"text", std::string(instruction)}},
                               {{"type", "image_url"}, {"image_url", {{"url", "data:image/jpeg;base64," + base64}}}},
                           })}}})},
    };
}

json geminiBody(const std::string& base64) {
    return {
        {"contents", json::array({{{"parts", json::array({
                                                 {{"text", std::string(instruction)}},
                                                 {{"inline_data", {{"mime_type", "image/jpeg"}, {"data", base64}}}},
                                             })}}})},
    };
}

json claudeBody(const std::string& model, const std::string& base64) {
    return {
        {"model", model},
        {"max_tokens", 40},
        {"messages",
         json::array(
             {{{"role", "user"},
               {"content", json::array({
                               {{"type", "image"},
                                {"source", {{"type", "base64"}, {"media_type", "image/jpeg"}, {"data", base64}}}},
                               {{"type", "text"}, {"text", std::string(instruction)}},
                           })}}})},
    };
}

} // namespace

Call namingCall(const Service& service, const std::string& model, const std::string& base64) {
    switch (service.dialect) {
    case Dialect::openAI:
        return {"POST", service.base + "/chat/completions", openAIBody(model, base64)};
    case Dialect::gemini:
        return {"POST", service.base + "/models/" + model + ":generateContent", geminiBody(base64)};
    case Dialect::claude:
        return {"POST", service.base + "/messages", claudeBody(model, base64)};
    }
    return {};
}

Call keyTestCall(const Service& service, const std::string& model) {
    switch (service.dialect) {
    case Dialect::openAI:
        return {"GET", service.base + "/models", std::nullopt};
    case Dialect::gemini:
        return {"GET", service.base + "/models", std::nullopt};
    case Dialect::claude:
        // Anthropic lists no models for a key; a one-token message is the cheapest check.
        return {"POST", service.base + "/messages",
                json{{"model", model},
                     {"max_tokens", 1},
                     {"messages", json::array({{{"role", "user"}, {"content", "hi"}}})}}};
    }
    return {};
}

} // namespace quelso::AIVision
