#pragma once
// Reading replies from remote services defensively: bounded nesting, no exceptions.
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace quelso::JsonReply {

// Deeper nesting than this is refused before parsing.
inline constexpr int maxDepth = 64;

// How deep arrays and objects nest in text (strings skipped); stops counting past limit.
int nestingDepth(std::string_view text, int limit);

// The text's top-level JSON object; absent for anything else or malformed input.
std::optional<nlohmann::json> parseObject(std::string_view text);

// Compact JSON; absent when a string in it is not valid UTF-8.
std::optional<std::string> serialize(const nlohmann::json& value);

// value[key], when value is an object holding that key.
const nlohmann::json* member(const nlohmann::json& value, const char* key);

// The first element of value[key], when that is a non-empty array of objects only.
const nlohmann::json* firstObject(const nlohmann::json& value, const char* key);

// value[key] as a string.
std::optional<std::string> stringMember(const nlohmann::json& value, const char* key);

} // namespace quelso::JsonReply
