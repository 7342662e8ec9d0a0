// AI naming against a local server that plays each provider, and every way a provider can
// fail falling back to offline naming.
#include <gtest/gtest.h>

#include <glib.h>

#include <map>
#include <opencv2/imgcodecs.hpp>

#include "FakeServer.h"
#include "NamingPictures.h"
#include "naming/AIVision.h"

namespace quelso {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;
using test::FakeServer;
using test::Reply;
using test::Request;

cv::Mat decodeJpeg(const std::string& base64) {
    gsize size = 0;
    guchar* bytes = g_base64_decode(base64.c_str(), &size);
    cv::Mat decoded = cv::imdecode(std::vector<std::uint8_t>(bytes, bytes + size), cv::IMREAD_COLOR);
    g_free(bytes);
    return decoded;
}

std::string openAIAnswer(const std::string& text) {
    return json{{"choices", {{{"message", {{"content", text}}}}}}}.dump();
}

// What a call must send; a header expected as "" must be absent, an empty body is not checked.
struct Sent {
    std::string method, target;
    std::map<std::string, std::string> headers = {};
    std::string body = "";
};

void expectSent(const Request& got, const Sent& want) {
    EXPECT_EQ(got.method + " " + got.target, want.method + " " + want.target);
    for (const auto& [name, value] : want.headers)
        EXPECT_EQ(got.headers.count(name) ? got.headers.at(name) : "", value) << want.target << " " << name;
    if (!want.body.empty()) {
        EXPECT_EQ(json::parse(got.body), json::parse(want.body)) << want.target;
    }
}

// Points the providers at the local server and shortens their time-outs to a second.
class AIVisionTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "QUELSO_CLASSIFIER_MODEL"})
            ::unsetenv(name);
        ::setenv("QUELSO_OPENAI_BASE_URL", (server.base + "/v1").c_str(), 1);
        ::setenv("QUELSO_GEMINI_BASE_URL", server.base.c_str(), 1);
        ::setenv("QUELSO_ANTHROPIC_BASE_URL", server.base.c_str(), 1);
        ::setenv("QUELSO_AI_TIMEOUT_SECONDS", "1", 1);
    }
    FakeServer server;
};

TEST_F(AIVisionTest, EachProviderSendsItsRequestAndReadsItsAnswer) {
    const PixelImage wide = pictures::solid(4000, 1000, 40, 90, 200);
    const std::string image = *AIVision::jpegBase64(wide, 768);
    EXPECT_EQ(decodeJpeg(image).size(), cv::Size(768, 192));
    // Bodies are written with IMAGE and TEXT standing for the picture and the instruction.
    const auto body = [&](std::string text) {
        const std::string instruction(AIVision::instruction);
        for (const auto& [from, to] : std::map<std::string, std::string>{{"IMAGE", image}, {"TEXT", instruction}})
            text.replace(text.find(from), from.size(), to); // each stands once in every body
        return text;
    };
    const auto openAIBody = [&](const std::string& model) {
        return body(R"({"model": ")" + model + R"(", "temperature": 0.2, "max_tokens": 30, "messages": [{"role": "user",
            "content": [{"type": "text", "text": "TEXT"},
                        {"type": "image_url", "image_url": {"url": "data:image/jpeg;base64,IMAGE"}}]}]})");
    };
    struct Case {
        RenameProvider provider;
        std::string key, model, base, answer, stem;
        Sent sent;
    };
    const std::vector<Case> cases{
        {RenameProvider::openAI,
         "sk-o",
         "",
         server.base + "/not-used",
         openAIAnswer("Digital-Voucher-Guide."),
         "digital-voucher-guide",
         {"POST",
          "/v1/chat/completions",
          {{"authorization", "Bearer sk-o"}, {"content-type", "application/json"}},
          openAIBody("gpt-4o-mini")}},
        {RenameProvider::custom,
         "c-key",
         "",
         "\t " + server.base + "/api/v1///  ",
         openAIAnswer("Alpha-beta-alpha-go-x-delta-echo-fox"),
         "alpha-beta-go-delta-echo",
         {"POST", "/api/v1/chat/completions", {{"authorization", "Bearer c-key"}}, openAIBody("")}},
        {RenameProvider::gemini,
         "g-key",
         "",
         "",
         R"({"candidates": [{"content": {"parts": [{"text": "Keywords: the red car"}]}}]})",
         "keywords-the-red-car",
         {"POST",
          "/v1beta/models/gemini-2.5-flash:generateContent",
          {{"x-goog-api-key", "g-key"}, {"authorization", ""}},
          body(R"({"contents": [{"parts": [{"text": "TEXT"},
                                           {"inline_data": {"mime_type": "image/jpeg", "data": "IMAGE"}}]}]})")}},
        {RenameProvider::claude,
         "ant-key",
         "claude-custom",
         "",
         R"({"content": [{"type": "text", "text": "\"2024\" 7 Caf\u00e9\nmenu"}]})",
         "2024-caf-menu",
         {"POST",
          "/v1/messages",
          {{"x-api-key", "ant-key"}, {"anthropic-version", "2023-06-01"}},
          body(R"({"model": "claude-custom", "max_tokens": 40, "messages": [{"role": "user", "content": [
                    {"type": "image", "source": {"type": "base64", "media_type": "image/jpeg", "data": "IMAGE"}},
                    {"type": "text", "text": "TEXT"}]}]})")}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        server.answer({200, c.answer});
        EXPECT_EQ(AIVision::contentName(wide, c.provider, c.key, c.model, c.base), c.stem);
        ASSERT_EQ(server.requests().size(), i + 1) << c.stem;
        expectSent(server.requests().back(), c.sent);
    }
}

TEST_F(AIVisionTest, EveryFailureFallsBackToOfflineNamingSilently) {
    const PixelImage picture = pictures::landscape(400, 300, 9);
    const auto offline = AIVision::contentName(picture, RenameProvider::appleVision, "", "", "");
    ASSERT_TRUE(offline);
    struct Case {
        const char* what;
        Reply reply;
        bool reachesServer = true;
        RenameProvider provider = RenameProvider::openAI;
        std::string key = "key", base = "";
    };
    const std::string good = openAIAnswer("good words");
    const std::vector<Case> cases{
        {"offline provider", {200, good}, false, RenameProvider::appleVision},
        {"empty key", {200, good}, false, RenameProvider::gemini, ""},
        {"unauthorised", {401, good}},
        {"rate limited", {429, good}},
        {"status 300", {300, good}},
        {"malformed", {200, good.substr(0, good.size() - 3)}},
        {"not an object", {200, "[" + good + "]"}},
        {"wrong path", {200, R"({"choices": [{"text": "good words"}]})"}},
        {"mixed choices", {200, R"({"choices": [{"message": {"content": "good"}}, 5]})"}},
        {"gemini wrong path", {200, R"({"candidates": [{"content": {"parts": []}}]})"}, true, RenameProvider::gemini},
        {"claude wrong type", {200, R"({"content": [{"text": ["good words"]}]})"}, true, RenameProvider::claude},
        {"no keyword", {200, openAIAnswer("a b c \u0633\u0644\u0627\u0645")}},
        {"over 1 MiB", {200, openAIAnswer(std::string(2 << 20, 'a'))}},
        {"not a URL", {200, good}, false, RenameProvider::custom, "key", "not a url"},
        {"file scheme", {200, good}, false, RenameProvider::custom, "key", "file:///etc"},
        {"header injection", {200, good}, false, RenameProvider::openAI, "key\r\nX-Injected: yes"},
        {"stall", {200, good, 1500ms}},
    };
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    for (const Case& c : cases) {
        server.answer(c.reply);
        const std::size_t before = server.requests().size();
        EXPECT_EQ(AIVision::contentName(picture, c.provider, c.key, "", c.base), offline) << c.what;
        EXPECT_EQ(server.requests().size(), before + c.reachesServer) << c.what;
    }
    EXPECT_EQ(::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr(), "");
}

TEST_F(AIVisionTest, KeyTests) {
    struct Case {
        RenameProvider provider;
        std::string key;
        bool accepted;
        Sent sent; // no method: no request
        Reply reply = {200, "{}"};
        std::string base = "", model = "";
    };
    const std::vector<Case> cases{
        {RenameProvider::appleVision, "", true, {}},
        {RenameProvider::openAI, "", false, {}},
        {RenameProvider::openAI, "o-key", true, {"GET", "/v1/models", {{"authorization", "Bearer o-key"}}}},
        {RenameProvider::gemini,
         "g-key",
         true,
         {"GET", "/v1beta/models", {{"x-goog-api-key", "g-key"}, {"authorization", ""}}},
         {204, ""}},
        {RenameProvider::claude,
         "c-key",
         true,
         {"POST",
          "/v1/messages",
          {{"x-api-key", "c-key"}, {"anthropic-version", "2023-06-01"}, {"content-type", "application/json"}},
          R"({"model": "claude-3-5-sonnet-latest", "max_tokens": 1,
              "messages": [{"role": "user", "content": "hi"}]})"}},
        {RenameProvider::custom,
         "x-key",
         true,
         {"GET", "/base/models", {{"authorization", "Bearer x-key"}}},
         {200, "{}"},
         server.base + "/base/ ",
         "unused"},
        {RenameProvider::openAI, "bad", false, {"GET", "/v1/models"}, {401, "{}"}},
        {RenameProvider::claude, "slow", false, {"POST", "/v1/messages"}, {200, "{}", 1500ms}},
    };
    for (const Case& c : cases) {
        server.answer(c.reply);
        const std::size_t before = server.requests().size();
        EXPECT_EQ(AIVision::testKey(c.provider, c.key, c.model, c.base), c.accepted) << c.key;
        ASSERT_EQ(server.requests().size(), before + !c.sent.method.empty()) << c.key;
        if (!c.sent.method.empty()) expectSent(server.requests().back(), c.sent);
    }
}

TEST_F(AIVisionTest, BodiesThatCannotBeEncodedAreLeftOut) {
    server.answer({299, R"({"ok": true})"});
    EXPECT_EQ(AIVision::postJSON(server.base, {{"text", "\xff"}}, {}), json({{"ok", true}})); // broken UTF-8
    EXPECT_EQ(server.requests().back().body, "");
}

TEST(AIVisionPicture, ReducedNeverEnlargedAndOpaque) {
    EXPECT_EQ(AIVision::scaledSize(600, 400, 768), (std::pair<std::int64_t, std::int64_t>{600, 400}));
    // 768 / 10000 * 10000 falls just below 768 and is truncated.
    EXPECT_EQ(decodeJpeg(*AIVision::jpegBase64(pictures::solid(10000, 1, 9, 9, 9), 768)).size(), cv::Size(767, 1));
    // No alpha in JPEG: see-through pixels come out as if drawn over black.
    EXPECT_LT(cv::mean(decodeJpeg(*AIVision::jpegBase64(pictures::solid(64, 64, 255, 255, 255, 0), 768)))[0], 3.0);
    EXPECT_FALSE(AIVision::jpegBase64(pictures::solid(8, 8, 0, 0, 0), 0));
    EXPECT_FALSE(AIVision::jpegBase64(PixelImage{}, 768));
}

} // namespace
} // namespace quelso
