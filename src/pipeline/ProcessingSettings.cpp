#include "pipeline/ProcessingSettings.h"

namespace quelso {

namespace OutputFormats {

std::string_view rawValue(OutputFormat f) {
    switch (f) {
    case OutputFormat::webp:
        return "webp";
    case OutputFormat::png:
        return "png";
    case OutputFormat::jpeg:
        return "jpeg";
    case OutputFormat::heif:
        return "heif";
    }
    return "webp";
}

std::string_view displayName(OutputFormat f) {
    switch (f) {
    case OutputFormat::webp:
        return "WebP";
    case OutputFormat::png:
        return "PNG";
    case OutputFormat::jpeg:
        return "JPEG";
    case OutputFormat::heif:
        return "HEIF";
    }
    return "WebP";
}

std::string_view fileExtension(OutputFormat f) {
    switch (f) {
    case OutputFormat::webp:
        return "webp";
    case OutputFormat::png:
        return "png";
    case OutputFormat::jpeg:
        return "jpg";
    case OutputFormat::heif:
        return "heic";
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
    case RenameProvider::appleVision:
        return "appleVision";
    case RenameProvider::openAI:
        return "openAI";
    case RenameProvider::gemini:
        return "gemini";
    case RenameProvider::claude:
        return "claude";
    case RenameProvider::custom:
        return "custom";
    }
    return "appleVision";
}

std::string_view displayName(RenameProvider p) {
    switch (p) {
    case RenameProvider::appleVision:
        return "On-device (offline)";
    case RenameProvider::openAI:
        return "OpenAI";
    case RenameProvider::gemini:
        return "Gemini";
    case RenameProvider::claude:
        return "Claude";
    case RenameProvider::custom:
        return "Custom (OpenAI-compatible)";
    }
    return "";
}

std::string_view defaultModel(RenameProvider p) {
    switch (p) {
    case RenameProvider::openAI:
        return "gpt-4o-mini";
    case RenameProvider::gemini:
        return "gemini-2.5-flash";
    case RenameProvider::claude:
        return "claude-3-5-sonnet-latest";
    case RenameProvider::appleVision:
    case RenameProvider::custom:
        return "";
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

// White space and newlines as Unicode counts them: separators (Zs, Zl, Zp), the ASCII
// controls tab to carriage return, and next-line.
bool isWhitespaceOrNewline(char32_t c) {
    return c == 0x20 || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Length in bytes of the UTF-8 sequence led by byte b (1 for anything unexpected).
std::size_t sequenceLength(unsigned char b) {
    if (b >= 0xF0 && b <= 0xF4) return 4;
    if (b >= 0xE0) return b <= 0xEF ? 3 : 1;
    if (b >= 0xC2) return 2;
    return 1;
}

char32_t decodeAt(const std::string& s, std::size_t i, std::size_t length) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    switch (length) {
    case 2:
        return char32_t(b(0) & 0x1F) << 6 | (b(1) & 0x3F);
    case 3:
        return char32_t(b(0) & 0x0F) << 12 | char32_t(b(1) & 0x3F) << 6 | (b(2) & 0x3F);
    case 4:
        return char32_t(b(0) & 0x07) << 18 | char32_t(b(1) & 0x3F) << 12 | char32_t(b(2) & 0x3F) << 6 | (b(3) & 0x3F);
    default:
        return b(0);
    }
}

std::string trimmed(const std::string& s) {
    // Walk the code points once, remembering where the last non-space one ends.
    std::size_t begin = s.size(), end = 0;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t length = sequenceLength(static_cast<unsigned char>(s[i]));
        if (i + length > s.size()) length = 1;
        if (!isWhitespaceOrNewline(decodeAt(s, i, length))) {
            if (begin == s.size()) begin = i;
            end = i + length;
        }
        i += length;
    }
    return begin < end ? s.substr(begin, end - begin) : std::string();
}

} // namespace

WatermarkContent ProcessingSettings::watermarkContent() const {
    if (watermarkImagePNG && !watermarkImagePNG->empty()) return WatermarkContent::image(*watermarkImagePNG);
    std::string text = trimmed(watermarkText);
    if (text.empty()) return WatermarkContent::none();
    return WatermarkContent::text(std::move(text));
}

bool ProcessingSettings::mustBeLossless() const {
    return invisible && !watermarkContent().isNone() && outputFormat == OutputFormat::webp;
}

} // namespace quelso
