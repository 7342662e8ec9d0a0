#include "app/BatchReport.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace quelso::CLI {

std::string reportLine(const ItemRecord& r) {
    nlohmann::json line = {
        {"input", r.input},
        {"output", r.output.empty() ? nlohmann::json(nullptr) : nlohmann::json(r.output)},
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
        const auto input = line.find("input");
        const auto status = line.find("status");
        if (input != line.end() && input->is_string() && status != line.end() && *status == "done")
            done.insert(input->get<std::string>());
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
