// Naming through a provider: the picture goes out once, keywords come back, and offline
// naming answers whenever that fails.
#include "naming/AIVision.h"

#include <algorithm>

#include "naming/AIVisionReplies.h"
#include "naming/AIVisionRequests.h"
#include "naming/HttpClient.h"
#include "naming/SmartRename.h"
#include "naming/UnicodeText.h"

namespace quelso::AIVision {

namespace {

constexpr int keywordsKept = 5;
constexpr int pictureMaxDim = 768;

std::string stem(const std::vector<std::string>& keywords) {
    std::string joined;
    for (const std::string& keyword : keywords) joined += (joined.empty() ? "" : "-") + keyword;
    return joined;
}

} // namespace

std::vector<std::string> sanitizeKeywords(std::string_view text, int max) {
    std::vector<std::string> words;
    if (max <= 0) return words;
    for (const std::string& piece : UnicodeText::letterNumberRuns(UnicodeText::lowerCased(text))) {
        std::string word = SmartRename::sanitize(piece);
        if (word.size() >= 2 && std::find(words.begin(), words.end(), word) == words.end())
            words.push_back(std::move(word));
        if (words.size() == static_cast<std::size_t>(max)) break;
    }
    return words;
}

std::optional<std::string> ask(RenameProvider provider, const std::string& base64, const std::string& apiKey,
                               const std::string& model, const std::string& baseURL) {
    const std::optional<Service> remote = service(provider, apiKey, baseURL);
    if (!remote) return std::nullopt;
    const Call call = namingCall(*remote, modelFor(provider, model), base64);
    if (!HttpClient::isValidURL(call.url) || !call.body) return std::nullopt;
    const auto reply = postJSON(call.url, *call.body, remote->credentials);
    return reply ? answerText(remote->dialect, *reply) : std::nullopt;
}

std::optional<std::string> contentName(const PixelImage& picture, RenameProvider provider, const std::string& apiKey,
                                       const std::string& model, const std::string& baseURL) {
    if (provider != RenameProvider::appleVision && !apiKey.empty()) {
        if (const auto b64 = jpegBase64(picture, pictureMaxDim)) {
            if (const auto answer = ask(provider, *b64, apiKey, model, baseURL)) {
                if (const auto keywords = sanitizeKeywords(*answer, keywordsKept); !keywords.empty())
                    return stem(keywords);
            }
        }
    }
    if (const auto keywords = SmartRename::offlineKeywords(picture, keywordsKept); !keywords.empty())
        return stem(keywords);
    return std::nullopt;
}

} // namespace quelso::AIVision
