#include "app/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quelso::Files {

namespace {

// Closes the descriptor and removes the temporary file unless it was committed.
struct TempFile {
    int fd = -1;
    std::string path;
    bool committed = false;
    ~TempFile() {
        if (fd >= 0) ::close(fd);
        if (!committed && !path.empty()) ::unlink(path.c_str());
    }
};

bool writeAll(int fd, const Bytes& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::optional<Bytes> read(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    Bytes data;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        data.reserve(static_cast<std::size_t>(st.st_size));
        std::uint8_t buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) ok = false;
            if (n <= 0) break;
            data.insert(data.end(), buffer, buffer + n);
        }
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    return data;
}

std::optional<std::string> write(const std::string& path, const Bytes& data) {
    const std::filesystem::path target(path);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    TempFile temp;
    temp.path = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    temp.fd = ::mkostemp(temp.path.data(), O_CLOEXEC);
    if (temp.fd < 0) {
        const int error = errno;
        temp.path.clear();
        return std::strerror(error);
    }
    // mkstemp makes the file private; give it the permissions a plain create would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(temp.fd, 0666 & ~mask);
    if (!writeAll(temp.fd, data) || ::fsync(temp.fd) != 0) return std::strerror(errno);
    if (::close(temp.fd) != 0) {
        temp.fd = -1;
        return std::strerror(errno);
    }
    temp.fd = -1;
    if (::rename(temp.path.c_str(), path.c_str()) != 0) return std::strerror(errno);
    temp.committed = true;
    return std::nullopt;
}

} // namespace quelso::Files
