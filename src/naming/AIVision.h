#pragma once
// Naming a picture through a remote multimodal model (OpenAI, Gemini, Claude or any
// OpenAI-compatible endpoint), falling back to offline naming on every failure. Each
// exchange blocks the calling thread for at most 35 s (key tests 22 s); call these off
// any user-interface thread. Nothing here prints, stores the key or throws.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/PixelImage.h"
#include "naming/ContentName.h"
#include "settings/RenameProvider.h"

namespace quelso::AIVision {

using Headers = std::vector<std::pair<std::string, std::string>>;

// The request sent with every picture.
inline constexpr std::string_view instruction =
    "Suggest a filename for this image. If it contains text in any language (for example "
    "Persian/Farsi or Arabic), read it and translate the topic to English. Reply with ONLY 3 to 5 "
    "lowercase English keywords describing the main subject, separated by single hyphens, ASCII "
    "letters only, no other words, no quotes, no file extension. Example: digital-voucher-guide.";

// The picture reduced (never enlarged) to maxDim on its longer side, as base64 JPEG.
std::optional<std::string> jpegBase64(const PixelImage& picture, int maxDim);

// The size jpegBase64 scales a picture to.
std::pair<std::int64_t, std::int64_t> scaledSize(std::int64_t width, std::int64_t height, int maxDim);

// One naming request with the picture as base64 JPEG; the model's answer text, or absent.
std::optional<std::string> ask(RenameProvider provider, const std::string& base64, const std::string& apiKey,
                               const std::string& model, const std::string& baseURL);

// Distinct lower-case words of at least two of a-z/0-9 from an answer, at most max.
std::vector<std::string> sanitizeKeywords(std::string_view text, int max);

// Spaces and tabs trimmed at both ends, then trailing slashes removed.
std::string normalizedBase(std::string_view text);

// POSTs body as JSON; the reply's top-level object when the status is 2xx.
std::optional<nlohmann::json> postJSON(const std::string& url, const nlohmann::json& body, const Headers& headers);

// True when the request got a 2xx answer in time.
bool httpOK(const std::string& url, const Headers& headers, const std::string& method,
            const std::optional<nlohmann::json>& body);

// Where requests go. Defaults are the public services; QUELSO_OPENAI_BASE_URL replaces the
// OpenAI base including "/v1", QUELSO_GEMINI_BASE_URL and QUELSO_ANTHROPIC_BASE_URL the
// scheme and host of the others.
std::string openAIBaseURL();
std::string geminiHost();
std::string anthropicHost();

} // namespace quelso::AIVision
