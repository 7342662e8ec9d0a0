#pragma once
// What both watermarks carry: a text, an image (file bytes) or nothing.
#include <string>
#include <variant>

#include "core/Bytes.h"

namespace quelso {

struct WatermarkContent {
    struct Text {
        std::string text;
    };
    struct Image {
        Bytes png;
    };
    std::variant<std::monostate, Text, Image> value;

    static WatermarkContent none() { return {}; }
    static WatermarkContent text(std::string s) { return {Text{std::move(s)}}; }
    static WatermarkContent image(Bytes b) { return {Image{std::move(b)}}; }

    bool isNone() const { return std::holds_alternative<std::monostate>(value); }
    const std::string* asText() const { return std::get_if<Text>(&value) ? &std::get<Text>(value).text : nullptr; }
    const Bytes* asImage() const { return std::get_if<Image>(&value) ? &std::get<Image>(value).png : nullptr; }
};

} // namespace quelso
