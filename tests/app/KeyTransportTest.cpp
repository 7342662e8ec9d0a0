// AI keys leave the machine only inside TLS. Run in a network namespace of its own with
// nothing but the loopback interface, and with both proxy variables pointing at a local
// listener: a plain-text request to another host, direct or through the proxy, would land
// there and be seen, and no packet can leave the machine whatever happens.
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakeServer.h"
#include "TestSupport.h"

namespace quelso {
namespace {

using testing::HasSubstr;

// Moves this test process into a new network namespace and brings its loopback up.
bool isolateNetwork() {
    if (::unshare(CLONE_NEWNET) != 0) return false;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    if (fd >= 0) ::close(fd);
    return up;
}

class KeyTransport : public testing::Test {
protected:
    void SetUp() override {
        if (!isolateNetwork()) GTEST_SKIP() << "no network namespace can be made here (needs root)";
        // Made inside the namespace, so they listen on its loopback.
        proxy = std::make_unique<test::FakeServer>();
        server = std::make_unique<test::FakeServer>();
        proxy->answer({403, ""});
        server->answer({200, R"({"choices": [{"message": {"content": "loopback answer words"}}]})"});
        for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            ::setenv(name, proxy->base.c_str(), 1);
        for (const char* name : {"no_proxy", "NO_PROXY", "QUELSO_OPENAI_BASE_URL", "QUELSO_GEMINI_BASE_URL",
                                 "QUELSO_ANTHROPIC_BASE_URL", "QUELSO_CLASSIFIER_MODEL"})
            ::unsetenv(name);
        ::setenv("QUELSO_AI_TIMEOUT_SECONDS", "2", 1);
    }

    // --suggest-name on the sample, whose offline name is harbour-fish-market.
    test::CommandResult suggest(std::vector<std::string> options, const std::string& input = {}) {
        options.insert(options.begin(), {"--suggest-name", test::samplePath("harbour.jpg")});
        return test::mottler(options, input);
    }

    std::unique_ptr<test::FakeServer> proxy, server;
};

TEST_F(KeyTransport, PlainHttpToAnotherHostIsRefusedForEveryProvider) {
    const std::string far = "http://192.0.2.10"; // a documentation address: no one is there
    struct Case {
        const char* provider;
        const char* variable; // where the address goes; null: --base-url
        std::string address;
    };
    for (const Case& c :
         {Case{"custom", nullptr, far + "/v1"}, Case{"openai", "QUELSO_OPENAI_BASE_URL", far + "/v1"},
          Case{"gemini", "QUELSO_GEMINI_BASE_URL", far}, Case{"claude", "QUELSO_ANTHROPIC_BASE_URL", far},
          Case{"custom", nullptr, "http://192.0.2.10:" + std::to_string(server->port) + "/v1"}}) {
        std::vector<std::string> options{"--rename-provider", c.provider, "--api-key", "sk-secret"};
        if (c.variable)
            ::setenv(c.variable, c.address.c_str(), 1);
        else
            options.insert(options.end(), {"--base-url", c.address});
        const auto r = suggest(options);
        if (c.variable) ::unsetenv(c.variable);
        EXPECT_EQ(r.out, "harbour-fish-market\n") << c.provider << ": offline naming took over";
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    EXPECT_TRUE(proxy->requests().empty())
        << proxy->requests().front().method << " " << proxy->requests().front().target;
    EXPECT_TRUE(server->requests().empty());
}

TEST_F(KeyTransport, TlsGoesThroughTheProxyAndLoopbackHttpGoesDirect) {
    // The proxy is really used: an https request asks it for a tunnel, which carries no key.
    auto r = suggest({"--rename-provider", "custom", "--base-url", "https://192.0.2.10/v1", "--api-key", "sk-secret"});
    EXPECT_EQ(r.out, "harbour-fish-market\n");
    ASSERT_EQ(proxy->requests().size(), 1u);
    EXPECT_EQ(proxy->requests()[0].method + " " + proxy->requests()[0].target, "CONNECT 192.0.2.10:443");
    EXPECT_EQ(proxy->requests()[0].headers.count("authorization"), 0u);

    // Plain http to this machine (a local model server) is fine, and never through a proxy.
    // The key comes from standard input here, as the help text recommends.
    r = suggest({"--rename-provider", "custom", "--base-url", server->base + "/v1", "--api-key", "-"}, "sk-stdin\n");
    EXPECT_EQ(r.out, "loopback-answer-words\n");
    ASSERT_EQ(server->requests().size(), 1u);
    EXPECT_EQ(server->requests()[0].target, "/v1/chat/completions");
    EXPECT_EQ(server->requests()[0].headers.at("authorization"), "Bearer sk-stdin");
    r = suggest({"--rename-provider", "custom", "--base-url",
                 "http://localhost:" + std::to_string(server->port) + "/v1", "--api-key", "sk-local"});
    EXPECT_EQ(r.out, "loopback-answer-words\n");
    ASSERT_EQ(server->requests().size(), 2u);
    EXPECT_EQ(server->requests()[1].headers.at("authorization"), "Bearer sk-local");
    EXPECT_EQ(proxy->requests().size(), 1u);
}

} // namespace
} // namespace quelso
