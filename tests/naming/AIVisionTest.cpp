// AI naming against a local server that plays each provider, and its fallbacks.
#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <random>
#include <thread>

#include "FakeServer.h"
#include "NamingPictures.h"
#include "naming/AIVision.h"
#include "naming/JsonReply.h"

namespace quelso {
namespace {

using fakeserver::FakeServer;
using fakeserver::Reply;
using fakeserver::Request;
using nlohmann::json;
using namespace std::chrono_literals;

std::vector<std::uint8_t> base64Decode(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<std::uint8_t> bytes;
    std::uint32_t group = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=') break;
        const auto value = alphabet.find(c);
        if (value == std::string::npos) return {};
        group = (group << 6) | static_cast<std::uint32_t>(value);
        if ((bits += 6) >= 8) bytes.push_back(static_cast<std::uint8_t>(group >> (bits -= 8)));
    }
    return bytes;
}

cv::Size jpegSize(const std::string& base64) {
    const cv::Mat decoded = cv::imdecode(base64Decode(base64), cv::IMREAD_COLOR);
    return decoded.size();
}

Reply jsonReply(const json& body, int status = 200) { return {status, body.dump()}; }

Reply openAIAnswer(const std::string& text) {
    return jsonReply({{"choices", json::array({{{"message", {{"role", "assistant"}, {"content", text}}}}})}});
}

// Points the providers at the local server and shortens the time-outs to one second.
class AIVisionTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"QUELSO_OPENAI_BASE_URL", "QUELSO_GEMINI_BASE_URL", "QUELSO_ANTHROPIC_BASE_URL",
                                 "QUELSO_AI_TIMEOUT_SECONDS", "QUELSO_CLASSIFIER_MODEL", "http_proxy", "HTTP_PROXY",
                                 "all_proxy", "ALL_PROXY"}) {
            const char* old = std::getenv(name);
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            ::unsetenv(name);
        }
        ::setenv("QUELSO_OPENAI_BASE_URL", (server_.base() + "/v1").c_str(), 1);
        ::setenv("QUELSO_GEMINI_BASE_URL", server_.base().c_str(), 1);
        ::setenv("QUELSO_ANTHROPIC_BASE_URL", server_.base().c_str(), 1);
        ::setenv("QUELSO_AI_TIMEOUT_SECONDS", "1", 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) ::setenv(name, value->c_str(), 1);
            else ::unsetenv(name);
        }
    }

    // The next reply the server gives, whatever it is asked.
    void answer(Reply reply) {
        const std::lock_guard lock(replyMutex_);
        reply_ = std::move(reply);
    }
    std::optional<std::string> nameWith(RenameProvider provider, const std::string& key = "test-key",
                                        const std::string& model = "", const std::string& base = "") {
        return AIVision::contentName(picture_, provider, key, model, base);
    }
    const std::string& offlineName() {
        static const std::string name =
            AIVision::contentName(picture_, RenameProvider::appleVision, "", "", "").value_or("");
        return name;
    }

    const PixelImage picture_ = pictures::landscape(400, 300, 9);
    std::mutex replyMutex_;
    Reply reply_ = openAIAnswer("unused");
    FakeServer server_{[this](const Request&) {
        const std::lock_guard lock(replyMutex_);
        return reply_;
    }};

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(AIVisionTest, OpenAIRequestAndAnswer) {
    PixelImage wide = pictures::solid(4000, 1000, 40, 90, 200);
    answer(openAIAnswer("Digital-Voucher-Guide."));
    EXPECT_EQ(AIVision::contentName(wide, RenameProvider::openAI, "sk-secret", "", ""), "digital-voucher-guide");
    const auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 1u);
    const Request& request = requests[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/v1/chat/completions");
    EXPECT_EQ(request.headers.at("authorization"), "Bearer sk-secret");
    EXPECT_EQ(request.headers.at("content-type"), "application/json");
    const json body = json::parse(request.body);
    EXPECT_EQ(body["model"], "gpt-4o-mini");
    EXPECT_EQ(body["temperature"], 0.2);
    EXPECT_EQ(body["max_tokens"], 30);
    ASSERT_EQ(body["messages"].size(), 1u);
    EXPECT_EQ(body["messages"][0]["role"], "user");
    const json& content = body["messages"][0]["content"];
    ASSERT_EQ(content.size(), 2u);
    EXPECT_EQ(content[0], json({{"type", "text"}, {"text", std::string(AIVision::instruction)}}));
    EXPECT_EQ(AIVision::instruction.size(), 359u);
    EXPECT_EQ(content[1]["type"], "image_url");
    EXPECT_EQ(content[1]["image_url"].size(), 1u);
    const std::string url = content[1]["image_url"]["url"];
    const std::string prefix = "data:image/jpeg;base64,";
    ASSERT_EQ(url.rfind(prefix, 0), 0u);
    EXPECT_EQ(jpegSize(url.substr(prefix.size())), cv::Size(768, 192));
}

TEST_F(AIVisionTest, GeminiRequestAndAnswer) {
    answer(jsonReply({{"candidates", json::array({{{"content", {{"parts", json::array({{{"text", "Keywords: the red car"}}})}}}}})}}));
    EXPECT_EQ(nameWith(RenameProvider::gemini, "g-key"), "keywords-the-red-car");
    const Request request = server_.requests().at(0);
    EXPECT_EQ(request.target, "/v1beta/models/gemini-2.5-flash:generateContent?key=g-key");
    EXPECT_EQ(request.headers.count("authorization"), 0u);
    const json body = json::parse(request.body);
    const json& parts = body["contents"][0]["parts"];
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0], json({{"text", std::string(AIVision::instruction)}}));
    EXPECT_EQ(parts[1]["inline_data"]["mime_type"], "image/jpeg");
    EXPECT_EQ(jpegSize(parts[1]["inline_data"]["data"]), cv::Size(400, 300));
}

TEST_F(AIVisionTest, ClaudeRequestAndAnswer) {
    answer(jsonReply({{"content", json::array({{{"type", "text"}, {"text", "sunset beach palm"}}})}}));
    EXPECT_EQ(nameWith(RenameProvider::claude, "ant-key", "claude-custom"), "sunset-beach-palm");
    const Request request = server_.requests().at(0);
    EXPECT_EQ(request.target, "/v1/messages");
    EXPECT_EQ(request.headers.at("x-api-key"), "ant-key");
    EXPECT_EQ(request.headers.at("anthropic-version"), "2023-06-01");
    const json body = json::parse(request.body);
    EXPECT_EQ(body["model"], "claude-custom");
    EXPECT_EQ(body["max_tokens"], 40);
    const json& content = body["messages"][0]["content"];
    ASSERT_EQ(content.size(), 2u);
    EXPECT_EQ(content[0]["type"], "image");
    EXPECT_EQ(content[0]["source"]["type"], "base64");
    EXPECT_EQ(content[0]["source"]["media_type"], "image/jpeg");
    EXPECT_EQ(content[1], json({{"type", "text"}, {"text", std::string(AIVision::instruction)}}));
}

TEST_F(AIVisionTest, CustomEndpointUsesItsOwnBaseAndEmptyModel) {
    answer(openAIAnswer("one two two three four five six seven eight"));
    EXPECT_EQ(nameWith(RenameProvider::custom, "c-key", "", "  " + server_.base() + "/api/v1///  "),
              "one-two-three-four-five");
    const Request request = server_.requests().at(0);
    EXPECT_EQ(request.target, "/api/v1/chat/completions");
    EXPECT_EQ(json::parse(request.body)["model"], "");
    // The OpenAI provider never uses the base argument.
    answer(openAIAnswer("harbour view"));
    EXPECT_EQ(nameWith(RenameProvider::openAI, "k", "gpt-x", "http://192.0.2.1/never"), "harbour-view");
    EXPECT_EQ(server_.requests().at(1).target, "/v1/chat/completions");
}

TEST_F(AIVisionTest, OfflineProviderAndEmptyKeyMakeNoRequest) {
    ASSERT_FALSE(offlineName().empty());
    EXPECT_EQ(nameWith(RenameProvider::appleVision, "some-key"), offlineName());
    EXPECT_EQ(nameWith(RenameProvider::gemini, ""), offlineName());
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(AIVisionTest, EveryFailureFallsBackToOfflineNaming) {
    const std::string huge = json{{"choices", json::array({{{"message", {{"content", std::string(2 << 20, 'a')}}}}})}}.dump();
    const std::string deep = "{\"choices\":" + std::string(100000, '[') + std::string(100000, ']') + "}";
    const std::vector<std::pair<const char*, Reply>> failures{
        {"unauthorised", {401, openAIAnswer("good words").body}},
        {"rate limited", {429, openAIAnswer("good words").body}},
        {"redirect", {301, openAIAnswer("good words").body}},
        {"malformed", {200, "{\"choices\": [{\"message\": {\"content\": \"cut"}},
        {"not an object", {200, "[\"good words\"]"}},
        {"empty body", {200, ""}},
        {"wrong path", jsonReply({{"choices", json::array({{{"text", "good words"}}})}})},
        {"no choices", jsonReply({{"choices", json::array()}})},
        {"mixed choices", jsonReply({{"choices", json::array({{{"message", {{"content", "good"}}}}, 5})}})},
        {"number answer", jsonReply({{"choices", json::array({{{"message", {{"content", 42}}}}})}})},
        {"no keyword", openAIAnswer("a b c \u0633\u0644\u0627\u0645")},
        {"huge body", {200, huge}},
        {"deep nesting", {200, deep}},
        {"stall", {200, openAIAnswer("good words").body, 2500ms}},
        {"slow drip", {200, openAIAnswer("good words").body, 0ms, 150ms}},
    };
    for (const auto& [what, reply] : failures) {
        answer(reply);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(nameWith(RenameProvider::openAI), offlineName()) << what;
        EXPECT_LT(std::chrono::steady_clock::now() - started, 5s) << what;
    }
    EXPECT_EQ(server_.requests().size(), failures.size());
}

TEST_F(AIVisionTest, GeminiAndClaudeAnswerPathsAreChecked) {
    const std::vector<std::pair<RenameProvider, json>> wrong{
        {RenameProvider::gemini, {{"candidates", json::array({{{"content", {{"parts", json::array()}}}}})}}},
        {RenameProvider::gemini, {{"candidates", json::array({{{"content", json::array({{{"text", "x"}}})}}})}}},
        {RenameProvider::gemini, {{"candidates", {{"content", "good words"}}}}},
        {RenameProvider::claude, {{"content", json::array({{{"type", "text"}}})}}},
        {RenameProvider::claude, {{"content", "good words"}}},
        {RenameProvider::claude, {{"content", json::array({{{"text", json::array({"good words"})}}})}}},
    };
    for (const auto& [provider, body] : wrong) {
        answer(jsonReply(body));
        EXPECT_EQ(nameWith(provider), offlineName()) << body.dump();
    }
}

TEST_F(AIVisionTest, UnreachableOrInvalidEndpointsFallBack) {
    EXPECT_EQ(nameWith(RenameProvider::custom, "k", "", "not a url"), offlineName());
    EXPECT_EQ(nameWith(RenameProvider::custom, "k", "", ""), offlineName());
    EXPECT_EQ(nameWith(RenameProvider::custom, "k", "", "file:///etc"), offlineName());
    EXPECT_EQ(nameWith(RenameProvider::gemini, "key with spaces"), offlineName());
    ::setenv("QUELSO_ANTHROPIC_BASE_URL", "http://127.0.0.1:1", 1); // nothing listens there
    EXPECT_EQ(nameWith(RenameProvider::claude), offlineName());
    // A key that would smuggle in a header line is never sent.
    EXPECT_EQ(nameWith(RenameProvider::openAI, "key\r\nX-Injected: yes"), offlineName());
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(AIVisionTest, NothingIsPrintedAndTheKeyStaysPrivate) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    answer({401, "{\"error\": \"bad key sk-very-secret\"}"});
    nameWith(RenameProvider::openAI, "sk-very-secret");
    answer(openAIAnswer("fine"));
    nameWith(RenameProvider::openAI, "sk-very-secret");
    AIVision::testKey(RenameProvider::openAI, "sk-very-secret", "", "");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(AIVisionTest, ConcurrentCallsAreIndependent) {
    answer(openAIAnswer("same answer"));
    std::vector<std::optional<std::string>> names(4);
    std::vector<std::thread> threads;
    for (auto& name : names) threads.emplace_back([&] { name = nameWith(RenameProvider::custom, "k", "m", server_.base()); });
    for (auto& thread : threads) thread.join();
    for (const auto& name : names) EXPECT_EQ(name, "same-answer");
}

TEST_F(AIVisionTest, KeyTests) {
    answer({200, "{}"});
    EXPECT_TRUE(AIVision::testKey(RenameProvider::appleVision, "", "", ""));
    for (auto provider : {RenameProvider::openAI, RenameProvider::gemini, RenameProvider::claude, RenameProvider::custom})
        EXPECT_FALSE(AIVision::testKey(provider, "", "", server_.base()));
    EXPECT_TRUE(server_.requests().empty());

    EXPECT_TRUE(AIVision::testKey(RenameProvider::openAI, "o-key", "", ""));
    EXPECT_TRUE(AIVision::testKey(RenameProvider::gemini, "g-key", "", ""));
    EXPECT_TRUE(AIVision::testKey(RenameProvider::claude, "c-key", "", ""));
    EXPECT_TRUE(AIVision::testKey(RenameProvider::custom, "x-key", "ignored", server_.base() + "/base/ "));
    auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/v1/models");
    EXPECT_EQ(requests[0].headers.at("authorization"), "Bearer o-key");
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].target, "/v1beta/models?key=g-key");
    EXPECT_EQ(requests[1].headers.count("authorization"), 0u);
    EXPECT_EQ(requests[2].method, "POST");
    EXPECT_EQ(requests[2].target, "/v1/messages");
    EXPECT_EQ(requests[2].headers.at("x-api-key"), "c-key");
    EXPECT_EQ(requests[2].headers.at("anthropic-version"), "2023-06-01");
    EXPECT_EQ(requests[2].headers.at("content-type"), "application/json");
    EXPECT_EQ(json::parse(requests[2].body),
              json({{"model", "claude-3-5-sonnet-latest"},
                    {"max_tokens", 1},
                    {"messages", json::array({{{"role", "user"}, {"content", "hi"}}})}}));
    EXPECT_EQ(requests[3].target, "/base/models");
    EXPECT_EQ(requests[3].headers.at("authorization"), "Bearer x-key");

    answer({401, "{}"});
    EXPECT_FALSE(AIVision::testKey(RenameProvider::openAI, "bad", "", ""));
    answer({204, ""});
    EXPECT_TRUE(AIVision::testKey(RenameProvider::gemini, "ok", "", "")); // the body is ignored
    answer({200, "{}", 2500ms});
    EXPECT_FALSE(AIVision::testKey(RenameProvider::claude, "slow", "", ""));
    EXPECT_FALSE(AIVision::testKey(RenameProvider::custom, "k", "", "::nonsense"));
}

TEST_F(AIVisionTest, PostJSONStatusRule) {
    const std::string url = server_.base() + "/echo";
    answer({299, "{\"ok\": true}"});
    EXPECT_EQ(AIVision::postJSON(url, {{"a", 1}}, {{"X-Extra", "one"}, {"x-extra", "two"}}), json({{"ok", true}}));
    EXPECT_EQ(server_.requests().back().headers.at("x-extra"), "two"); // a later field replaces an earlier one
    answer({300, "{\"ok\": true}"});
    EXPECT_FALSE(AIVision::postJSON(url, {{"a", 1}}, {}));
    answer({200, "{\"ok\": true}"});
    // A body that cannot be encoded (broken UTF-8) is left out, the request still goes.
    EXPECT_TRUE(AIVision::postJSON(url, {{"text", "\xff"}}, {}));
    EXPECT_EQ(server_.requests().back().body, "");
}

TEST(AIVisionText, SanitizeKeywords) {
    using Words = std::vector<std::string>;
    EXPECT_EQ(AIVision::sanitizeKeywords("Digital-Voucher-Guide.", 5), (Words{"digital", "voucher", "guide"}));
    EXPECT_EQ(AIVision::sanitizeKeywords("Keywords: the red car", 5), (Words{"keywords", "the", "red", "car"}));
    EXPECT_EQ(AIVision::sanitizeKeywords("alpha-beta-alpha-go-x-delta-echo-fox-golf", 5),
              (Words{"alpha", "beta", "go", "delta", "echo"}));
    EXPECT_EQ(AIVision::sanitizeKeywords("\"2024\" 7 Caf\u00e9\nmenu", 5), (Words{"2024", "caf", "menu"}));
    EXPECT_TRUE(AIVision::sanitizeKeywords("a b c", 5).empty());
    EXPECT_TRUE(AIVision::sanitizeKeywords("\u0633\u0644\u0627\u0645 \u062f\u0646\u06cc\u0627", 5).empty());
    EXPECT_TRUE(AIVision::sanitizeKeywords("word", 0).empty());
}

TEST(AIVisionText, NormalizedBase) {
    EXPECT_EQ(AIVision::normalizedBase("  https://host.example/v1///  "), "https://host.example/v1");
    EXPECT_EQ(AIVision::normalizedBase("\thttp://h/\t"), "http://h");
    EXPECT_EQ(AIVision::normalizedBase("http://h/\n"), "http://h/\n"); // line breaks are not trimmed
    EXPECT_EQ(AIVision::normalizedBase("///"), "");
    EXPECT_EQ(AIVision::normalizedBase(""), "");
}

TEST(AIVisionPicture, ScaledDownNeverUp) {
    using Size = std::pair<std::int64_t, std::int64_t>;
    EXPECT_EQ(AIVision::scaledSize(4000, 1000, 768), (Size{768, 192}));
    EXPECT_EQ(AIVision::scaledSize(600, 400, 768), (Size{600, 400}));
    EXPECT_EQ(AIVision::scaledSize(10000, 1, 768), (Size{767, 1})); // 768 / 10000 * 10000 < 768
    EXPECT_EQ(AIVision::scaledSize(1000, 4000, 768), (Size{192, 768}));
    EXPECT_EQ(jpegSize(*AIVision::jpegBase64(pictures::solid(10000, 1, 9, 9, 9), 768)), cv::Size(767, 1));
    EXPECT_EQ(jpegSize(*AIVision::jpegBase64(pictures::solid(600, 400, 9, 9, 9), 768)), cv::Size(600, 400));
    // No alpha in JPEG: see-through pixels come out as if drawn over black.
    const auto faded = base64Decode(*AIVision::jpegBase64(pictures::solid(64, 64, 255, 255, 255, 0), 768));
    const cv::Mat decoded = cv::imdecode(faded, cv::IMREAD_COLOR);
    EXPECT_LT(cv::mean(decoded)[0], 3.0);
    EXPECT_FALSE(AIVision::jpegBase64(pictures::solid(8, 8, 0, 0, 0), 0));
    EXPECT_FALSE(AIVision::jpegBase64(PixelImage{}, 768));
}

TEST(AIVisionJson, ParsingSurvivesGarbage) {
    EXPECT_EQ(JsonReply::nestingDepth("{\"a\":[1,{\"b\":\"[[[{\"}]}", 100), 3);
    EXPECT_TRUE(JsonReply::parseObject("{\"a\":" + std::string(60, '[') + std::string(60, ']') + "}"));
    EXPECT_FALSE(JsonReply::parseObject("{\"a\":" + std::string(64, '[') + std::string(64, ']') + "}"));
    EXPECT_FALSE(JsonReply::parseObject(std::string(1'000'000, '{')));
    EXPECT_FALSE(JsonReply::parseObject("{\"a\": \"\xff\"}"));
    const std::string valid = json{{"choices", json::array({{{"message", {{"content", "fine words"}}}}})},
                                   {"x", json::array({1, 2.5e3, "\u00e9", nullptr, true})}}.dump();
    std::mt19937 random(11);
    for (int round = 0; round < 5000; ++round) {
        std::string text = valid;
        for (int i = 0, flips = 1 + static_cast<int>(random() % 6); i < flips; ++i)
            text[random() % text.size()] = static_cast<char>(random());
        if (round % 4 == 0) text.resize(random() % text.size());
        if (const auto object = JsonReply::parseObject(text)) (void)JsonReply::firstObject(*object, "choices");
    }
    for (int round = 0; round < 500; ++round) {
        std::string noise(random() % 512, '\0');
        for (char& c : noise) c = static_cast<char>(random());
        (void)JsonReply::parseObject(noise);
    }
    EXPECT_TRUE(JsonReply::parseObject(valid));
    EXPECT_FALSE(JsonReply::parseObject(valid + valid)); // two documents are not one object
}

} // namespace
} // namespace quelso
