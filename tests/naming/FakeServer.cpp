#include "FakeServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quelso::fakeserver {

namespace {

using namespace std::chrono_literals;

constexpr auto lifetime = 120s;            // the server never outlives a stuck test by much
constexpr std::size_t connectionLimit = 500;
constexpr std::size_t requestLimit = 16u << 20;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool sendAll(int connection, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(connection, data, size, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

const char* reason(int status) {
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 429: return "Too Many Requests";
    default: return "Status";
    }
}

} // namespace

FakeServer::FakeServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

FakeServer::~FakeServer() {
    stopping_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    if (listener_ >= 0) ::close(listener_);
    std::vector<std::thread> connections;
    {
        const std::lock_guard lock(mutex_);
        connections.swap(connections_);
    }
    for (auto& connection : connections) connection.join();
}

std::string FakeServer::base() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<Request> FakeServer::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

bool FakeServer::sleepUnlessStopped(std::chrono::milliseconds duration) const {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        if (stopping_) return false;
        std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(20ms, duration));
    }
    return !stopping_;
}

void FakeServer::acceptLoop() {
    const auto end = std::chrono::steady_clock::now() + lifetime;
    std::size_t accepted = 0;
    while (!stopping_ && std::chrono::steady_clock::now() < end && accepted < connectionLimit) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        ++accepted;
        const std::lock_guard lock(mutex_);
        connections_.emplace_back([this, connection] {
            serve(connection);
            ::close(connection);
        });
    }
}

void FakeServer::serve(int connection) {
    // Read until the headers are complete and the announced body has arrived.
    std::string data;
    std::size_t headerEnd = std::string::npos;
    std::size_t bodyLength = 0;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!stopping_ && std::chrono::steady_clock::now() < deadline && data.size() < requestLimit) {
        if (headerEnd != std::string::npos && data.size() >= headerEnd + 4 + bodyLength) break;
        pollfd waiting{connection, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        char buffer[65536];
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        data.append(buffer, static_cast<std::size_t>(got));
        if (headerEnd == std::string::npos && (headerEnd = data.find("\r\n\r\n")) != std::string::npos) {
            const std::string head = lower(data.substr(0, headerEnd));
            if (const auto at = head.find("\r\ncontent-length:"); at != std::string::npos)
                bodyLength = std::stoul(head.substr(at + 17));
        }
    }
    if (headerEnd == std::string::npos || data.size() < headerEnd + 4 + bodyLength) return;

    Request request;
    const std::string head = data.substr(0, headerEnd);
    const auto firstLineEnd = head.find("\r\n");
    const std::string firstLine = head.substr(0, firstLineEnd);
    const auto space1 = firstLine.find(' ');
    const auto space2 = firstLine.find(' ', space1 + 1);
    request.method = firstLine.substr(0, space1);
    request.target = firstLine.substr(space1 + 1, space2 - space1 - 1);
    for (std::size_t at = firstLineEnd; at != std::string::npos && at < head.size();) {
        const std::size_t next = head.find("\r\n", at + 2);
        const std::string line = head.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2);
        if (const auto colon = line.find(':'); colon != std::string::npos) {
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            request.headers[lower(line.substr(0, colon))] = value;
        }
        at = next;
    }
    request.body = data.substr(headerEnd + 4, bodyLength);
    {
        const std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }

    const Reply reply = handler_(request);
    if (!sleepUnlessStopped(reply.stallBeforeReply)) return;
    const std::string header = "HTTP/1.1 " + std::to_string(reply.status) + " " + reason(reply.status) +
                               "\r\nContent-Type: application/json\r\nContent-Length: " +
                               std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n";
    if (!sendAll(connection, header.data(), header.size())) return;
    if (reply.dripInterval.count() == 0) {
        sendAll(connection, reply.body.data(), reply.body.size());
        return;
    }
    for (char byte : reply.body)
        if (!sendAll(connection, &byte, 1) || !sleepUnlessStopped(reply.dripInterval)) return;
}

} // namespace quelso::fakeserver
