#include "pipeline/OutputName.h"

#include <filesystem>

namespace quelso::OutputName {

std::string base(const std::string& inputPath, const std::optional<std::string>& contentName) {
    if (contentName) return contentName->empty() ? "image" : *contentName;
    return std::filesystem::path(inputPath).stem().string() + "-unique";
}

std::string folder(const std::string& inputPath, const std::optional<std::string>& destination) {
    if (destination) return *destination;
    return std::filesystem::path(inputPath).parent_path().string();
}

} // namespace quelso::OutputName
