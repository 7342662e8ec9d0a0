#include "naming/HttpClient.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <memory>
#include <mutex>

#include <curl/curl.h>

namespace quelso::HttpClient {

namespace {

void initialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// A line break in a name or value would let a key smuggle in extra header lines.
bool isSafeHeader(const std::pair<std::string, std::string>& field) {
    const auto unsafe = [](char c) { return c == '\r' || c == '\n' || c == '\0'; };
    return !field.first.empty() && field.first.find(':') == std::string::npos &&
           std::none_of(field.first.begin(), field.first.end(), unsafe) &&
           std::none_of(field.second.begin(), field.second.end(), unsafe);
}

struct Reply {
    std::string body;
    bool overflowed = false;
};

size_t collect(char* data, size_t size, size_t count, void* target) {
    auto* reply = static_cast<Reply*>(target);
    const size_t bytes = size * count;
    if (bytes > maxReplyBytes - reply->body.size()) {
        reply->overflowed = true;
        return 0; // makes curl abort the transfer
    }
    reply->body.append(data, bytes);
    return bytes;
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

struct Target {
    std::string scheme, host;
};

// Scheme and host of an absolute http or https URL.
std::optional<Target> targetOf(const std::string& url) {
    initialiseCurl();
    std::unique_ptr<CURLU, CurlDeleter> parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return std::nullopt;
    Target target;
    for (auto [part, text] : {std::pair{CURLUPART_SCHEME, &target.scheme}, std::pair{CURLUPART_HOST, &target.host}}) {
        char* value = nullptr;
        if (curl_url_get(parsed.get(), part, &value, 0) != CURLUE_OK || !value) return std::nullopt;
        *text = value;
        curl_free(value);
    }
    if (target.scheme != "http" && target.scheme != "https") return std::nullopt;
    return target;
}

// localhost, 127.0.0.0/8 and ::1 (bracketed, as URLs write it), nothing that needs a lookup.
bool isLoopback(const std::string& host) {
    if (sameName(host, "localhost")) return true; // curl resolves it to loopback itself
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        in6_addr v6{};
        return inet_pton(AF_INET6, host.substr(1, host.size() - 2).c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
    }
    in_addr v4{};
    return inet_pton(AF_INET, host.c_str(), &v4) == 1 && (ntohl(v4.s_addr) >> 24) == 127;
}

} // namespace

bool isValidURL(const std::string& url) { return targetOf(url).has_value(); }

std::optional<Response> send(const Request& request) {
    // Requests carry keys: plain http only to this machine, and then never through a proxy.
    const auto target = targetOf(request.url);
    if (!target) return std::nullopt;
    const bool plain = target->scheme == "http";
    if (plain && !isLoopback(target->host)) return std::nullopt;
    Headers fields;
    for (const auto& field : request.headers) {
        if (!isSafeHeader(field)) return std::nullopt;
        const auto existing =
            std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return sameName(f.first, field.first); });
        if (existing != fields.end())
            existing->second = field.second;
        else
            fields.push_back(field);
    }

    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) return std::nullopt;
    // An empty "Expect:" stops curl pausing for a "100 Continue" before larger bodies.
    std::vector<std::string> lines{"Expect:"};
    for (const auto& [name, value] : fields) lines.push_back(name + ": " + value);
    std::unique_ptr<curl_slist, CurlDeleter> headerList;
    for (const std::string& line : lines) {
        curl_slist* extended = curl_slist_append(headerList.get(), line.c_str());
        if (!extended) return std::nullopt;
        (void)headerList.release(); // now owned by extended
        headerList.reset(extended);
    }

    Reply reply;
    CURL* handle = curl.get();
    const long idleSeconds = std::max<long>(1, static_cast<long>((request.idleTimeout.count() + 999) / 1000));
    curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    if (plain) curl_easy_setopt(handle, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(request.waitLimit.count()));
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.idleTimeout.count()));
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, idleSeconds);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headerList.get());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, ""); // the size cap counts decoded bytes
    if (request.body || request.method == "POST") {
        const std::string& body = request.body ? *request.body : std::string();
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(handle, CURLOPT_COPYPOSTFIELDS, body.c_str());
        if (request.method != "POST") curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    } else if (request.method == "HEAD") {
        curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    } else if (request.method != "GET") {
        curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    }

    if (curl_easy_perform(handle) != CURLE_OK || reply.overflowed) return std::nullopt;
    Response response;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &response.status);
    response.body = std::move(reply.body);
    return response;
}

} // namespace quelso::HttpClient
