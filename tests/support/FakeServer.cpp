#include "FakeServer.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>

namespace quelso::test {

using namespace std::chrono_literals;

FakeServer::FakeServer() : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
    ::listen(listener_, 8);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    base = "http://127.0.0.1:" + std::to_string(port);
    thread_ = std::thread([this] {
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (!stop_ && std::chrono::steady_clock::now() < end) {
            pollfd waiting{listener_, POLLIN, 0};
            if (::poll(&waiting, 1, 50) <= 0) continue;
            const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            serve(connection);
            ::close(connection);
        }
    });
}

FakeServer::~FakeServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

void FakeServer::answer(Reply reply) {
    const std::lock_guard lock(mutex_);
    reply_ = std::move(reply);
}

std::vector<Request> FakeServer::requests() {
    const std::lock_guard lock(mutex_);
    return requests_;
}

void FakeServer::serve(int connection) {
    const timeval limit{5, 0};
    ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    std::string data;
    const auto receive = [&] {
        char buffer[65536];
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got > 0) data.append(buffer, static_cast<std::size_t>(got));
        return got > 0;
    };
    while (data.find("\r\n\r\n") == std::string::npos)
        if (!receive()) return;
    const std::size_t headEnd = data.find("\r\n\r\n") + 4;
    Request request;
    std::istringstream head(data.substr(0, headEnd));
    std::string line;
    head >> request.method >> request.target;
    std::getline(head, line);
    while (std::getline(head, line) && line.find(':') != std::string::npos) {
        std::string name = line.substr(0, line.find(':'));
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        request.headers[name] = line.substr(name.size() + 2, line.size() - name.size() - 3); // ": " ... "\r"
    }
    const std::size_t length = std::stoul("0" + request.headers["content-length"]);
    while (data.size() < headEnd + length)
        if (!receive()) return;
    request.body = data.substr(headEnd, length);
    Reply reply;
    {
        const std::lock_guard lock(mutex_);
        requests_.push_back(request);
        reply = reply_;
    }
    for (auto waited = 0ms; waited < reply.stall && !stop_; waited += 10ms) std::this_thread::sleep_for(10ms);
    const std::string text = "HTTP/1.1 " + std::to_string(reply.status) +
                             " Status\r\nContent-Length: " + std::to_string(reply.body.size()) +
                             "\r\nConnection: close\r\n\r\n" + reply.body;
    ::send(connection, text.data(), text.size(), MSG_NOSIGNAL);
}

} // namespace quelso::test
