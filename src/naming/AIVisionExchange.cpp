// One exchange with a provider: JSON out, JSON back, within the time limits of its purpose.
#include <chrono>
#include <cstdlib>

#include "naming/AIVision.h"
#include "naming/HttpClient.h"
#include "naming/JsonReply.h"

namespace quelso::AIVision {

namespace {

using nlohmann::json;
using std::chrono::milliseconds;

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

} // namespace quelso::AIVision
