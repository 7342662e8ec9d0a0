#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for playing the AI providers in tests. It listens on
// an ephemeral port, answers each connection on its own thread through a handler, records
// what it was asked, and stops by itself when destroyed or after a bounded lifetime.
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quelso::fakeserver {

struct Request {
    std::string method;
    std::string target;                         // path and query as sent
    std::map<std::string, std::string> headers; // names lower-cased
    std::string body;
};

struct Reply {
    int status = 200;
    std::string body;
    std::chrono::milliseconds stallBeforeReply{0}; // silence before anything is sent
    std::chrono::milliseconds dripInterval{0};      // when set, the body goes out a byte at a time
};

class FakeServer {
public:
    using Handler = std::function<Reply(const Request&)>;

    explicit FakeServer(Handler handler);
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    // "http://127.0.0.1:<port>"
    std::string base() const;
    std::vector<Request> requests() const;

private:
    void acceptLoop();
    void serve(int connection);
    bool sleepUnlessStopped(std::chrono::milliseconds duration) const;

    Handler handler_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

} // namespace quelso::fakeserver
