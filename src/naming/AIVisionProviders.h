#pragma once
// The remote providers side by side: where each one is reached, how it is given the key,
// and which request and reply shapes it speaks.
#include <optional>
#include <string>

#include "naming/AIVision.h"

namespace quelso::AIVision {

// The request and reply shapes: OpenAI's chat completions (spoken by custom endpoints too),
// Gemini's generateContent and Anthropic's messages.
enum class Dialect { openAI, gemini, claude };

struct Service {
    Dialect dialect;
    std::string base;    // scheme, host and version path, no trailing slash
    Headers credentials; // the headers that carry the key, never the URL, which proxies and servers log
};

// The model asked for: the configured one, else the provider's default.
std::string modelFor(RenameProvider provider, const std::string& model);

// The service behind a remote provider, holding the key; absent for offline naming.
std::optional<Service> service(RenameProvider provider, const std::string& apiKey, const std::string& baseURL);

} // namespace quelso::AIVision
