#include "app/BatchReport.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <nlohmann/json.hpp>
#include <span>
#include <unistd.h>

#include "platform/Utf8.h"

namespace quelso::CLI {

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string hex(const std::string& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::optional<std::string> unhex(const std::string& text) {
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    if (text.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = digit(text[i]), low = digit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

// A path goes in as text; one that is not UTF-8 also goes in as the hex of its bytes under
// key + "Hex", since the text then holds U+FFFD in place of the bytes and no longer names it.
void addPath(nlohmann::json& line, const std::string& key, const std::string& path) {
    if (path.empty()) {
        line[key] = nullptr;
        return;
    }
    line[key] = path;
    if (!isValidUtf8(bytesOf(path))) line[key + "Hex"] = hex(path);
}

} // namespace

std::string reportLine(const ItemRecord& r) {
    nlohmann::json line = {
        {"input", nullptr},
        {"output", nullptr},
        {"status", r.done ? "done" : "failed"},
        {"message", r.message},
        {"seed", r.seed},
        {"width", r.width},
        {"height", r.height},
        {"bytes", r.bytes},
        {"percentChanged", r.percentChanged},
        {"watermarkEmbedded", r.watermarkEmbedded},
        {"watermarkRead", r.watermarkRead},
        {"ssim", r.ssim ? nlohmann::json(*r.ssim) : nlohmann::json(nullptr)},
        {"hashDistance", r.hashDistance ? nlohmann::json(*r.hashDistance) : nlohmann::json(nullptr)},
        {"milliseconds", r.milliseconds},
    };
    addPath(line, "input", r.input);
    addPath(line, "output", r.output);
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::optional<std::set<std::string>> doneInputs(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::set<std::string> done;
    std::string text;
    while (std::getline(file, text)) {
        const nlohmann::json line = nlohmann::json::parse(text, nullptr, false);
        if (!line.is_object()) continue;
        const auto status = line.find("status");
        if (status == line.end() || *status != "done") continue;
        const auto raw = line.find("inputHex");
        const auto input = line.find("input");
        if (raw != line.end() && raw->is_string()) {
            if (auto path = unhex(raw->get<std::string>())) done.insert(std::move(*path));
        } else if (input != line.end() && input->is_string()) {
            done.insert(input->get<std::string>());
        }
    }
    if (file.bad()) return std::nullopt;
    return done;
}

ReportFile::ReportFile(const std::optional<std::string>& path) : wanted_(path.has_value()) {
    if (!path) return;
    fd_ = ::open(path->c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0) error_ = std::strerror(errno);
}

ReportFile::~ReportFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool ReportFile::append(const std::string& line) {
    if (fd_ < 0) return !wanted_;
    const std::lock_guard lock(mutex_);
    ssize_t written;
    do written = ::write(fd_, line.data(), line.size());
    while (written < 0 && errno == EINTR);
    return written == static_cast<ssize_t>(line.size());
}

} // namespace quelso::CLI
