// A provider's reply: the defensive JSON reader, every provider's answer path through it,
// and the keyword clean-up of whatever answer text comes out.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "naming/AIVision.h"
#include "naming/JsonReply.h"

using namespace quelso;

namespace {

// Keywords are distinct runs of two or more of a-z and 0-9, at most max of them.
void checkKeywords(std::string_view text) {
    const auto words = AIVision::sanitizeKeywords(text, 5);
    if (words.size() > 5) std::abort();
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i].size() < 2) std::abort();
        for (const char c : words[i])
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) std::abort();
        for (std::size_t j = 0; j < i; ++j)
            if (words[i] == words[j]) std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkKeywords(text);
    const auto reply = JsonReply::parseObject(text);
    if (!reply) return 0;
    if (!reply->is_object()) std::abort();
    JsonReply::serialize(*reply);
    // OpenAI and compatible services, Gemini, Claude.
    if (const auto* choice = JsonReply::firstObject(*reply, "choices"))
        if (const auto* message = JsonReply::member(*choice, "message"))
            if (const auto answer = JsonReply::stringMember(*message, "content")) checkKeywords(*answer);
    if (const auto* candidate = JsonReply::firstObject(*reply, "candidates"))
        if (const auto* content = JsonReply::member(*candidate, "content"))
            if (const auto* part = JsonReply::firstObject(*content, "parts"))
                if (const auto answer = JsonReply::stringMember(*part, "text")) checkKeywords(*answer);
    if (const auto* content = JsonReply::firstObject(*reply, "content"))
        if (const auto answer = JsonReply::stringMember(*content, "text")) checkKeywords(*answer);
    return 0;
}
