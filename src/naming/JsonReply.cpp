#include "naming/JsonReply.h"

#include <algorithm>

namespace quelso::JsonReply {

int nestingDepth(std::string_view text, int limit) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
            if (deepest > limit) return deepest;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

std::optional<nlohmann::json> parseObject(std::string_view text) {
    if (nestingDepth(text, maxDepth) > maxDepth) return std::nullopt;
    nlohmann::json parsed = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object()) return std::nullopt;
    return parsed;
}

std::optional<std::string> serialize(const nlohmann::json& value) {
    try {
        return value.dump();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

const nlohmann::json* member(const nlohmann::json& value, const char* key) {
    if (!value.is_object()) return nullptr;
    const auto found = value.find(key);
    return found == value.end() ? nullptr : &*found;
}

const nlohmann::json* firstObject(const nlohmann::json& value, const char* key) {
    const nlohmann::json* array = member(value, key);
    if (!array || !array->is_array() || array->empty() ||
        !std::all_of(array->begin(), array->end(), [](const nlohmann::json& e) { return e.is_object(); }))
        return nullptr;
    return &(*array)[0];
}

std::optional<std::string> stringMember(const nlohmann::json& value, const char* key) {
    const nlohmann::json* field = member(value, key);
    if (!field || !field->is_string()) return std::nullopt;
    return field->get<std::string>();
}

} // namespace quelso::JsonReply
