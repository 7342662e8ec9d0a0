#include "platform/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quelso::Files {

namespace {

// Tries this many counters before giving up; a folder with that many namesakes is not a
// place where a next free name is worth searching for.
constexpr int kMaxCounter = 100000;

// A completely written and synced temporary file in a folder, removed on destruction
// unless it was moved to its final name.
class TempFile {
public:
    explicit TempFile(const std::filesystem::path& folder) : path_((folder / ".quelso-XXXXXX").string()) {
        fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
        if (fd_ < 0) {
            error_ = std::strerror(errno);
            path_.clear();
        }
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Fills the file and closes it; false with error() set on failure.
    bool fill(std::span<const std::uint8_t> data) {
        if (fd_ < 0) return false;
        // mkstemp makes the file private; give it the permissions a plain create would.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return fail();
            done += static_cast<std::size_t>(n);
        }
        if (::fsync(fd_) != 0) return fail();
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) return fail();
        return true;
    }

    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }
    // The file now lives under another name: nothing to remove.
    void release() { path_.clear(); }

private:
    bool fail() {
        error_ = std::strerror(errno);
        return false;
    }
    std::string path_;
    std::string error_;
    int fd_ = -1;
};

std::filesystem::path folderOf(const std::string& path) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// Gives the temporary file the name target unless something exists there (errno EEXIST).
bool moveExclusive(TempFile& temp, const std::string& target) {
    if (::renameat2(AT_FDCWD, temp.path().c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        temp.release();
        return true;
    }
    // File systems without the exclusive rename still refuse to link over an existing name.
    if (errno != EINVAL && errno != ENOSYS) return false;
    return ::link(temp.path().c_str(), target.c_str()) == 0;
}

} // namespace

std::optional<std::vector<std::uint8_t>> read(const std::string& path, std::uint64_t limit) {
    // Non-blocking, so opening a FIFO with no writer returns at once; fstat then refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::vector<std::uint8_t> data;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) <= limit;
    if (ok) {
        data.reserve(static_cast<std::size_t>(st.st_size));
        std::uint8_t buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) ok = false;
            if (n <= 0) break;
            // The file may grow while it is read; the limit holds for what is read too.
            if (data.size() + static_cast<std::size_t>(n) > limit) {
                ok = false;
                break;
            }
            data.insert(data.end(), buffer, buffer + n);
        }
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    return data;
}

std::optional<std::string> write(const std::string& path, std::span<const std::uint8_t> data) {
    TempFile temp(folderOf(path));
    if (!temp.fill(data)) return temp.error();
    if (::rename(temp.path().c_str(), path.c_str()) != 0) return std::strerror(errno);
    temp.release();
    return std::nullopt;
}

std::string numberedName(const std::string& base, int counter, const std::string& extension) {
    if (counter <= 1) return base + "." + extension;
    return base + "-" + std::to_string(counter) + "." + extension;
}

Created createUnique(const std::string& folder, const std::function<std::string(int)>& nameFor,
                     std::span<const std::uint8_t> data) {
    const std::filesystem::path dir = folder.empty() ? std::filesystem::path(".") : std::filesystem::path(folder);
    TempFile temp(dir);
    if (!temp.fill(data)) return {{}, temp.error()};
    for (int counter = 1; counter <= kMaxCounter; ++counter) {
        const std::string candidate = (dir / nameFor(counter)).string();
        if (moveExclusive(temp, candidate)) return {candidate, {}};
        if (errno != EEXIST) return {{}, std::strerror(errno)};
    }
    return {{}, "no free file name"};
}

} // namespace quelso::Files
