#include "naming/AIVision.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "naming/HttpClient.h"
#include "naming/JsonReply.h"
#include "naming/OpaqueRGB.h"
#include "naming/SmartRename.h"
#include "naming/UnicodeText.h"

namespace quelso::AIVision {

namespace {

using nlohmann::json;
using std::chrono::milliseconds;

constexpr int keywordsKept = 5;
constexpr int pictureMaxDim = 768;
constexpr int jpegQuality = 70;
constexpr const char* anthropicVersion = "2023-06-01";
constexpr milliseconds namingTimeout{30'000}, namingWait{35'000};
constexpr milliseconds keyTestTimeout{20'000}, keyTestWait{22'000};

struct Limits {
    milliseconds timeout, wait;
};

// QUELSO_AI_TIMEOUT_SECONDS shortens both limits in proportion, for tests that stall a
// server on purpose; it can never lengthen them.
Limits limits(milliseconds timeout, milliseconds wait) {
    const char* text = std::getenv("QUELSO_AI_TIMEOUT_SECONDS");
    if (!text || !*text) return {timeout, wait};
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(seconds > 0) || seconds * 1000 >= static_cast<double>(timeout.count()))
        return {timeout, wait};
    const auto shortened = milliseconds(static_cast<long long>(seconds * 1000));
    return {shortened, milliseconds(shortened.count() * wait.count() / timeout.count())};
}

std::string environmentOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : std::string(fallback);
}

std::string base64Encode(const std::vector<std::uint8_t>& bytes) {
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        text += alphabet[(group >> 18) & 63];
        text += alphabet[(group >> 12) & 63];
        text += alphabet[(group >> 6) & 63];
        text += alphabet[group & 63];
    }
    if (const std::size_t rest = bytes.size() - i; rest > 0) {
        const std::uint32_t group = (bytes[i] << 16) | (rest == 2 ? bytes[i + 1] << 8 : 0);
        text += alphabet[(group >> 18) & 63];
        text += alphabet[(group >> 12) & 63];
        text += rest == 2 ? alphabet[(group >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

std::optional<HttpClient::Response> exchange(const std::string& method, const std::string& url, const Headers& headers,
                                             const std::optional<json>& body, Limits limit) {
    HttpClient::Request request;
    request.method = method;
    request.url = url;
    if (body) {
        request.headers.emplace_back("Content-Type", "application/json");
        request.body = JsonReply::serialize(*body); // goes without a body when that fails
    }
    request.headers.insert(request.headers.end(), headers.begin(), headers.end());
    request.idleTimeout = limit.timeout;
    request.waitLimit = limit.wait;
    return HttpClient::send(request);
}

bool isSuccess(long status) { return status >= 200 && status <= 299; }

} // namespace

std::pair<std::int64_t, std::int64_t> scaledSize(std::int64_t width, std::int64_t height, int maxDim) {
    const double scale = std::min(static_cast<double>(maxDim) / static_cast<double>(std::max(width, height)), 1.0);
    return {std::max<std::int64_t>(1, static_cast<std::int64_t>(static_cast<double>(width) * scale)),
            std::max<std::int64_t>(1, static_cast<std::int64_t>(static_cast<double>(height) * scale))};
}

std::optional<std::string> jpegBase64(const PixelImage& picture, int maxDim) {
    if (maxDim <= 0 || !isWellFormed(picture)) return std::nullopt;
    const auto [width, height] = scaledSize(picture.width, picture.height, maxDim);
    try {
        // The JPEG has no alpha: translucent parts are drawn over black, as onto a fresh
        // bitmap without an alpha channel.
        cv::Mat bgr(static_cast<int>(picture.height), static_cast<int>(picture.width), CV_8UC3);
        const std::uint8_t* in = picture.rgba.data();
        for (int y = 0; y < bgr.rows; ++y) {
            cv::Vec3b* out = bgr.ptr<cv::Vec3b>(y);
            for (int x = 0; x < bgr.cols; ++x, in += 4)
                for (int c = 0; c < 3; ++c) out[x][2 - c] = static_cast<std::uint8_t>((in[c] * in[3] + 127) / 255);
        }
        if (width != picture.width || height != picture.height)
            cv::resize(bgr, bgr, cv::Size(static_cast<int>(width), static_cast<int>(height)), 0, 0, cv::INTER_AREA);
        std::vector<std::uint8_t> jpeg;
        if (!cv::imencode(".jpg", bgr, jpeg, {cv::IMWRITE_JPEG_QUALITY, jpegQuality}) || jpeg.empty())
            return std::nullopt;
        return base64Encode(jpeg);
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
}

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

std::string normalizedBase(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    while (!text.empty() && text.back() == '/') text.remove_suffix(1);
    return std::string(text);
}

std::optional<json> postJSON(const std::string& url, const json& body, const Headers& headers) {
    const auto response = exchange("POST", url, headers, body, limits(namingTimeout, namingWait));
    if (!response || !isSuccess(response->status) || response->body.empty()) return std::nullopt;
    return JsonReply::parseObject(response->body);
}

bool httpOK(const std::string& url, const Headers& headers, const std::string& method,
            const std::optional<json>& body) {
    const auto response = exchange(method, url, headers, body, limits(keyTestTimeout, keyTestWait));
    return response && isSuccess(response->status);
}

std::optional<std::string> callOpenAI(const std::string& base64, const std::string& apiKey, const std::string& model,
                                      const std::string& baseURL) {
    const std::string url = baseURL + "/chat/completions";
    if (!HttpClient::isValidURL(url)) return std::nullopt;
    const json body = {
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
    const auto reply = postJSON(url, body, {{"Authorization", "Bearer " + apiKey}});
    if (!reply) return std::nullopt;
    const json* choice = JsonReply::firstObject(*reply, "choices");
    const json* message = choice ? JsonReply::member(*choice, "message") : nullptr;
    return message ? JsonReply::stringMember(*message, "content") : std::nullopt;
}

std::optional<std::string> callGemini(const std::string& base64, const std::string& apiKey, const std::string& model) {
    // The key goes in a header, where it stays out of URLs that proxies and servers log.
    const std::string url = geminiHost() + "/v1beta/models/" + model + ":generateContent";
    if (!HttpClient::isValidURL(url)) return std::nullopt;
    const json body = {
        {"contents", json::array({{{"parts", json::array({
                                                 {{"text", std::string(instruction)}},
                                                 {{"inline_data", {{"mime_type", "image/jpeg"}, {"data", base64}}}},
                                             })}}})},
    };
    const auto reply = postJSON(url, body, {{"x-goog-api-key", apiKey}});
    if (!reply) return std::nullopt;
    const json* candidate = JsonReply::firstObject(*reply, "candidates");
    const json* content = candidate ? JsonReply::member(*candidate, "content") : nullptr;
    const json* part = content ? JsonReply::firstObject(*content, "parts") : nullptr;
    return part ? JsonReply::stringMember(*part, "text") : std::nullopt;
}

std::optional<std::string> callClaude(const std::string& base64, const std::string& apiKey, const std::string& model) {
    const std::string url = anthropicHost() + "/v1/messages";
    if (!HttpClient::isValidURL(url)) return std::nullopt;
    const json body = {
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
    const auto reply = postJSON(url, body, {{"x-api-key", apiKey}, {"anthropic-version", anthropicVersion}});
    if (!reply) return std::nullopt;
    const json* content = JsonReply::firstObject(*reply, "content");
    return content ? JsonReply::stringMember(*content, "text") : std::nullopt;
}

std::optional<std::string> contentName(const PixelImage& picture, RenameProvider provider, const std::string& apiKey,
                                       const std::string& model, const std::string& baseURL) {
    const auto stem = [](const std::vector<std::string>& keywords) {
        std::string joined;
        for (const std::string& keyword : keywords) joined += (joined.empty() ? "" : "-") + keyword;
        return joined;
    };
    if (provider != RenameProvider::appleVision && !apiKey.empty()) {
        if (const auto b64 = jpegBase64(picture, pictureMaxDim)) {
            const std::string chosenModel =
                model.empty() ? std::string(RenameProviders::defaultModel(provider)) : model;
            std::optional<std::string> answer;
            switch (provider) {
            case RenameProvider::openAI:
                answer = callOpenAI(*b64, apiKey, chosenModel, openAIBaseURL());
                break;
            case RenameProvider::gemini:
                answer = callGemini(*b64, apiKey, chosenModel);
                break;
            case RenameProvider::claude:
                answer = callClaude(*b64, apiKey, chosenModel);
                break;
            case RenameProvider::custom:
                answer = callOpenAI(*b64, apiKey, chosenModel, normalizedBase(baseURL));
                break;
            case RenameProvider::appleVision:
                break;
            }
            if (answer) {
                if (const auto keywords = sanitizeKeywords(*answer, keywordsKept); !keywords.empty())
                    return stem(keywords);
            }
        }
    }
    if (const auto keywords = SmartRename::offlineKeywords(picture, keywordsKept); !keywords.empty())
        return stem(keywords);
    return std::nullopt;
}

bool testKey(RenameProvider provider, const std::string& apiKey, const std::string& model, const std::string& baseURL) {
    if (provider == RenameProvider::appleVision) return true;
    if (apiKey.empty()) return false;
    std::string url;
    std::string method = "GET";
    Headers headers;
    std::optional<json> body;
    switch (provider) {
    case RenameProvider::openAI:
        url = openAIBaseURL() + "/models";
        headers = {{"Authorization", "Bearer " + apiKey}};
        break;
    case RenameProvider::gemini:
        url = geminiHost() + "/v1beta/models";
        headers = {{"x-goog-api-key", apiKey}};
        break;
    case RenameProvider::claude:
        url = anthropicHost() + "/v1/messages";
        method = "POST";
        headers = {{"x-api-key", apiKey}, {"anthropic-version", anthropicVersion}};
        body = json{{"model", model.empty() ? std::string(RenameProviders::defaultModel(provider)) : model},
                    {"max_tokens", 1},
                    {"messages", json::array({{{"role", "user"}, {"content", "hi"}}})}};
        break;
    case RenameProvider::custom:
        url = normalizedBase(baseURL) + "/models";
        headers = {{"Authorization", "Bearer " + apiKey}};
        break;
    case RenameProvider::appleVision:
        return true;
    }
    if (!HttpClient::isValidURL(url)) return false;
    return httpOK(url, headers, method, body);
}

std::string openAIBaseURL() { return environmentOr("QUELSO_OPENAI_BASE_URL", "https://api.openai.com/v1"); }
std::string geminiHost() {
    return environmentOr("QUELSO_GEMINI_BASE_URL", "https://generativelanguage.googleapis.com");
}
std::string anthropicHost() { return environmentOr("QUELSO_ANTHROPIC_BASE_URL", "https://api.anthropic.com"); }

} // namespace quelso::AIVision
