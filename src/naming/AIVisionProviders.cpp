#include "naming/AIVisionProviders.h"

#include <cstdlib>

namespace quelso::AIVision {

namespace {

constexpr const char* anthropicVersion = "2023-06-01";

std::string environmentOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : std::string(fallback);
}

} // namespace

std::string modelFor(RenameProvider provider, const std::string& model) {
    return model.empty() ? std::string(RenameProviders::defaultModel(provider)) : model;
}

std::optional<Service> service(RenameProvider provider, const std::string& apiKey, const std::string& baseURL) {
    const Headers bearer{{"Authorization", "Bearer " + apiKey}};
    switch (provider) {
    case RenameProvider::openAI:
        return Service{Dialect::openAI, openAIBaseURL(), bearer};
    case RenameProvider::custom:
        return Service{Dialect::openAI, normalizedBase(baseURL), bearer};
    case RenameProvider::gemini:
        return Service{Dialect::gemini, geminiHost() + "/v1beta", {{"x-goog-api-key", apiKey}}};
    case RenameProvider::claude:
        return Service{
            Dialect::claude, anthropicHost() + "/v1", {{"x-api-key", apiKey}, {"anthropic-version", anthropicVersion}}};
    case RenameProvider::appleVision:
        break;
    }
    return std::nullopt;
}

std::string normalizedBase(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    while (!text.empty() && text.back() == '/') text.remove_suffix(1);
    return std::string(text);
}

std::string openAIBaseURL() { return environmentOr("QUELSO_OPENAI_BASE_URL", "https://api.openai.com/v1"); }

std::string geminiHost() {
    return environmentOr("QUELSO_GEMINI_BASE_URL", "https://generativelanguage.googleapis.com");
}

std::string anthropicHost() { return environmentOr("QUELSO_ANTHROPIC_BASE_URL", "https://api.anthropic.com"); }

} // namespace quelso::AIVision
