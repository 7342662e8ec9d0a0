#pragma once
// Reads the declared shape of an ONNX model's image input straight from its protobuf
// bytes, so a classifier can be fed pictures of the size it was trained on.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quelso::OnnxModelInfo {

// Dimensions of the first graph input that is not an initializer; a dimension that is
// symbolic or unset reads as -1. Absent when the bytes are not a model with an input.
std::optional<std::vector<std::int64_t>> inputShape(std::string_view modelBytes);

} // namespace quelso::OnnxModelInfo
