#pragma once
// One blocking HTTP exchange over libcurl for the AI providers: TLS verified, https (http
// only to this machine's loopback addresses), no redirects, a hard overall limit, and
// replies capped in size.
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quelso::HttpClient {

using Headers = std::vector<std::pair<std::string, std::string>>;

// Replies longer than this are cut off and count as no reply.
inline constexpr std::size_t maxReplyBytes = std::size_t{1} << 20;

struct Request {
    std::string method = "GET";
    std::string url;
    Headers headers; // a later field replaces an earlier one of the same name
    std::optional<std::string> body;
    std::chrono::milliseconds idleTimeout{30'000}; // no progress for this long ends it
    std::chrono::milliseconds waitLimit{35'000};   // counted from the start, whatever happens
};

struct Response {
    long status = 0;
    std::string body;
};

// True when url parses as an absolute http or https URL.
bool isValidURL(const std::string& url);

// Absent on an invalid URL or header, plain http to a host that is not a loopback address
// (refused before any connection), a network error, a time-out or an oversized reply.
std::optional<Response> send(const Request& request);

} // namespace quelso::HttpClient
