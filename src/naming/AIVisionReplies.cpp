#include "naming/AIVisionReplies.h"

#include "naming/JsonReply.h"

namespace quelso::AIVision {

using nlohmann::json;

std::optional<std::string> answerText(Dialect dialect, const json& reply) {
    switch (dialect) {
    case Dialect::openAI: {
        const json* choice = JsonReply::firstObject(reply, "choices");
        const json* message = choice ? JsonReply::member(*choice, "message") : nullptr;
        return message ? JsonReply::stringMember(*message, "content") : std::nullopt;
    }
    case Dialect::gemini: {
        const json* candidate = JsonReply::firstObject(reply, "candidates");
        const json* content = candidate ? JsonReply::member(*candidate, "content") : nullptr;
        const json* part = content ? JsonReply::firstObject(*content, "parts") : nullptr;
        return part ? JsonReply::stringMember(*part, "text") : std::nullopt;
    }
    case Dialect::claude: {
        const json* content = JsonReply::firstObject(reply, "content");
        return content ? JsonReply::stringMember(*content, "text") : std::nullopt;
    }
    }
    return std::nullopt;
}

} // namespace quelso::AIVision
