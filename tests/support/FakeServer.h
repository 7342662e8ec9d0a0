#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for tests that talk to remote services: one
// connection at a time, each request recorded, every one given the current reply.
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quelso::test {

struct Request {
    std::string method, target, body;
    std::map<std::string, std::string> headers; // names lower-cased
};

struct Reply {
    int status = 200;
    std::string body;
    std::chrono::milliseconds stall{0}; // silence before the answer
};

// Stops when destroyed, or by itself after a minute.
class FakeServer {
public:
    FakeServer();
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    void answer(Reply reply);
    std::vector<Request> requests();

    int port = 0;
    std::string base; // "http://127.0.0.1:<port>"

private:
    void serve(int connection);

    int listener_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    Reply reply_;
    std::vector<Request> requests_;
    std::thread thread_;
};

} // namespace quelso::test
