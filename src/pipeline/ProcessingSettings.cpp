#include "pipeline/ProcessingSettings.h"

namespace quelso {

namespace OutputFormats {

std::string_view rawValue(OutputFormat f) {
    switch (f) {
    case OutputFormat::webp: return "webp";
    case OutputFormat::png: return "png";
    case OutputFormat::jpeg: return "jpeg";
    case OutputFormat::heif: return "heif";
    }
    return "webp";
}

std::string_view displayName(OutputFormat f) {
    switch (f) {
    case OutputFormat::webp: return "WebP";
    case OutputFormat::png: return "PNG";
    case OutputFormat::jpeg: return "JPEG";
    case OutputFormat::heif: return "HEIF";
    }
    return "WebP";
}

std::string_view fileExtension(OutputFormat f) {
    switch (f) {
    case OutputFormat::webp: return "webp";
    case OutputFormat::png: return "png";
    case OutputFormat::jpeg: return "jpg";
    case OutputFormat::heif: return "heic";
    }
    return "webp";
}

bool isLossy(OutputFormat f) { return f == OutputFormat::jpeg || f == OutputFormat::heif; }

std::optional<OutputFormat> fromRawValue(std::string_view raw) {
    for (OutputFormat f : allCases)
        if (rawValue(f) == raw) return f;
    return std::nullopt;
}

} // namespace OutputFormats

namespace RenameProviders {

std::string_view rawValue(RenameProvider p) {
    switch (p) {
    case RenameProvider::appleVision: return "appleVision";
    case RenameProvider::openAI: return "openAI";
    case RenameProvider::gemini: return "gemini";
    case RenameProvider::claude: return "claude";
    case RenameProvider::custom: return "custom";
    }
    return "appleVision";
}

std::string_view displayName(RenameProvider p) {
    switch (p) {
    case RenameProvider::appleVision: return "On-device (offline)";
    case RenameProvider::openAI: return "OpenAI";
    case RenameProvider::gemini: return "Gemini";
    case RenameProvider::claude: return "Claude";
    case RenameProvider::custom: return "Custom (OpenAI-compatible)";
    }
    return "";
}

std::string_view defaultModel(RenameProvider p) {
    switch (p) {
    case RenameProvider::openAI: return "gpt-4o-mini";
    case RenameProvider::gemini: return "gemini-2.5-flash";
    case RenameProvider::claude: return "claude-3-5-sonnet-latest";
    case RenameProvider::appleVision:
    case RenameProvider::custom: return "";
    }
    return "";
}

std::optional<RenameProvider> fromRawValue(std::string_view raw) {
    for (RenameProvider p : allCases)
        if (rawValue(p) == raw) return p;
    return std::nullopt;
}

} // namespace RenameProviders

namespace {

bool isTrimmable(unsigned char c) {
    // White space and newlines in the ASCII range; the trimmed text is what the record carries.
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

WatermarkContent ProcessingSettings::watermarkContent() const {
    if (watermarkImagePNG && !watermarkImagePNG->empty()) return WatermarkContent::image(*watermarkImagePNG);
    std::size_t begin = 0, end = watermarkText.size();
    while (begin < end && isTrimmable(static_cast<unsigned char>(watermarkText[begin]))) ++begin;
    while (end > begin && isTrimmable(static_cast<unsigned char>(watermarkText[end - 1]))) --end;
    if (begin == end) return WatermarkContent::none();
    return WatermarkContent::text(watermarkText.substr(begin, end - begin));
}

bool ProcessingSettings::mustBeLossless() const {
    return invisible && !watermarkContent().isNone() && outputFormat == OutputFormat::webp;
}

} // namespace quelso
