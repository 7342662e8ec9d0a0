#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <unistd.h>

#include "app/CLI.h"

namespace quelso::CLI {

std::optional<std::string> value(const Args& args, std::string_view name) {
    for (std::size_t i = 0; i < args.size(); ++i)
        if (args[i] == name) return i + 1 < args.size() ? std::optional(args[i + 1]) : std::nullopt;
    return std::nullopt;
}

bool contains(const Args& args, std::string_view flag) {
    for (const std::string& a : args)
        if (a == flag) return true;
    return false;
}

std::optional<double> parseNumber(std::string_view text) {
    if (text.empty() || text.find('\0') != std::string_view::npos) return std::nullopt;
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    const std::string owned(text);
    const unsigned char first = static_cast<unsigned char>(owned[0]);
    if (first == ' ' || (first >= '\t' && first <= '\r')) return std::nullopt;
    char* end = nullptr;
    const double v = strtod_l(owned.c_str(), &end, cLocale);
    // Infinities and NaN (also from an overflowing exponent) are no setting of anything.
    if (end != owned.c_str() + owned.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

namespace {

template <typename T>
std::optional<T> parseDecimal(std::string_view text) {
    if (text.empty()) return std::nullopt;
    T v{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v, 10);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return v;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

std::optional<std::int64_t> parseInteger(std::string_view text) {
    // from_chars takes a minus but not a plus; the sign must be followed by digits only.
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !isDigit(text[0])) return std::nullopt;
    if (!negative) return parseDecimal<std::int64_t>(text);
    return parseDecimal<std::int64_t>("-" + std::string(text));
}

std::optional<std::uint64_t> parseSeed(std::string_view text) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty() || !isDigit(text[0])) return std::nullopt;
    return parseDecimal<std::uint64_t>(text);
}

std::optional<RGBColor> parseHex(std::string_view text) {
    if (!text.empty() && text[0] == '#') text.remove_prefix(1);
    if (text.size() != 6) return std::nullopt;
    std::uint32_t v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + 6, v, 16);
    if (ec != std::errc() || ptr != text.data() + 6) return std::nullopt;
    return RGBColor{static_cast<double>((v >> 16) & 255) / 255, static_cast<double>((v >> 8) & 255) / 255,
                    static_cast<double>(v & 255) / 255};
}

namespace {

std::string lowercased(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

} // namespace

RenameProvider renameProvider(const Args& args) {
    const std::string name = lowercased(value(args, "--rename-provider").value_or(""));
    if (name == "openai") return RenameProvider::openAI;
    if (name == "gemini") return RenameProvider::gemini;
    if (name == "claude") return RenameProvider::claude;
    if (name == "custom") return RenameProvider::custom;
    return RenameProvider::appleVision;
}

namespace {

// The first line of standard input, without its line break.
std::string keyFromStandardInput() {
    constexpr std::size_t kLongestKey = 64 * 1024;
    std::string key;
    char c = 0;
    ssize_t got = 0;
    while (key.size() < kLongestKey && ((got = ::read(STDIN_FILENO, &c, 1)) == 1 || (got < 0 && errno == EINTR))) {
        if (got != 1) continue;
        if (c == '\n') break;
        key += c;
    }
    if (!key.empty() && key.back() == '\r') key.pop_back();
    return key;
}

} // namespace

std::string apiKey(const Args& args, RenameProvider provider) {
    if (auto key = value(args, "--api-key")) return *key == "-" ? keyFromStandardInput() : *key;
    const char* variable = nullptr;
    switch (provider) {
    case RenameProvider::openAI:
        variable = "OPENAI_API_KEY";
        break;
    case RenameProvider::gemini:
        variable = "GEMINI_API_KEY";
        break;
    case RenameProvider::claude:
        variable = "ANTHROPIC_API_KEY";
        break;
    case RenameProvider::custom:
        variable = "QUELSO_API_KEY";
        break;
    case RenameProvider::appleVision:
        return "";
    }
    const char* found = std::getenv(variable);
    return found ? found : "";
}

} // namespace quelso::CLI
