#include "pipeline/OutputName.h"

#include <filesystem>

namespace quelso::OutputName {

std::string base(const std::string& inputPath, const std::optional<std::string>& contentName) {
    if (contentName) return contentName->empty() ? "image" : *contentName;
    return std::filesystem::path(inputPath).stem().string() + "-unique";
}

Files::Created write(const std::string& folder, const std::string& base, OutputFormat format,
                     std::span<const std::uint8_t> data) {
    const std::string extension(OutputFormats::fileExtension(format));
    return Files::createUnique(
        folder, [&](int counter) { return Files::numberedName(base, counter, extension); }, data);
}

std::string folder(const std::string& inputPath, const std::optional<std::string>& destination) {
    if (destination) return *destination;
    return std::filesystem::path(inputPath).parent_path().string();
}

} // namespace quelso::OutputName
