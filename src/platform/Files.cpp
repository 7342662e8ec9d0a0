#include "platform/Files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/SecureRandom.h"
#include "platform/TemporaryFiles.h"

namespace quelso::Files {

namespace {

// Tries this many counters before giving up; a folder with that many namesakes is not a
// place where a next free name is worth searching for.
constexpr int kMaxCounter = 100000;

// ".quelso-" and six of [A-Za-z0-9]: short enough for the tracking table and for a folder
// whose longest names already use the whole file-name limit.
std::string temporaryName() {
    static constexpr char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uint64_t random = secureRandomSeed();
    std::string name = ".quelso-";
    for (int i = 0; i < 6; ++i, random /= 62) name += letters[random % 62];
    return name;
}

// A completely written and synced temporary file in a folder, removed on destruction
// unless it was moved to its final name. While it exists it is tracked, so an interrupt
// removes it too. An unnamed one (O_TMPFILE, where the file system has it) is wanted for a
// file that only ever takes a free name: it has no name to leave behind even when the
// process is killed outright.
class TempFile {
public:
    explicit TempFile(const std::filesystem::path& folder, bool unnamed = false) {
        dir_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (dir_ < 0) {
            fail();
            return;
        }
        // It is named later through /proc, so without /proc it cannot be named at all.
        if (unnamed && ::access("/proc/self/fd", X_OK) == 0)
            fd_ = ::openat(dir_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        unnamed_ = fd_ >= 0;
        for (int attempt = 0; attempt < 16 && !unnamed_ && fd_ < 0; ++attempt) {
            name_ = temporaryName();
            // Tracked before it exists: an interrupt right after the create still finds it.
            ticket_ = TemporaryFiles::track(dir_, name_.c_str());
            // 0666 under the umask: the permissions a plain create gives.
            fd_ = ::openat(dir_, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) break;
            const int error = errno;
            TemporaryFiles::untrack(ticket_);
            errno = error;
            if (error != EEXIST) break;
        }
        if (fd_ < 0) {
            fail();
            name_.clear();
        }
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!name_.empty()) {
            ::unlinkat(dir_, name_.c_str(), 0);
            TemporaryFiles::untrack(ticket_);
        }
        if (dir_ >= 0) ::close(dir_);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Fills the file and closes it; false with error() set on failure.
    bool fill(std::span<const std::uint8_t> data) {
        if (fd_ < 0) return false;
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return fail();
            done += static_cast<std::size_t>(n);
        }
        if (::fsync(fd_) != 0) return fail();
        if (unnamed_) return true; // kept open: it is named through its descriptor
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) return fail();
        return true;
    }

    // Gives the file the name target (relative to the folder, or absolute); with noReplace
    // only if nothing exists there (errno EEXIST otherwise).
    bool moveTo(const std::string& target, bool noReplace) {
        if (unnamed_) {
            // Linking never replaces: EEXIST when the name is taken.
            const std::string self = "/proc/self/fd/" + std::to_string(fd_);
            return ::linkat(AT_FDCWD, self.c_str(), dir_, target.c_str(), AT_SYMLINK_FOLLOW) == 0 || fail();
        }
        if (!noReplace) {
            if (::renameat(dir_, name_.c_str(), AT_FDCWD, target.c_str()) != 0) return fail();
            return released();
        }
        if (::renameat2(dir_, name_.c_str(), dir_, target.c_str(), RENAME_NOREPLACE) == 0) return released();
        // File systems without the exclusive rename still refuse to link over an existing name;
        // the temporary name is then removed on destruction.
        if (errno != EINVAL && errno != ENOSYS) return fail();
        return ::linkat(dir_, name_.c_str(), dir_, target.c_str(), 0) == 0 || fail();
    }

    const std::string& error() const { return error_; }

private:
    bool fail() {
        error_ = std::strerror(errno);
        return false;
    }
    // The file now lives under another name: nothing to remove.
    bool released() {
        name_.clear();
        TemporaryFiles::untrack(ticket_);
        return true;
    }
    std::string name_;
    std::string error_;
    int dir_ = -1;
    int fd_ = -1;
    int ticket_ = -1;
    bool unnamed_ = false;
};

std::filesystem::path folderOf(const std::string& path) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

std::string limitText(std::uint64_t limit) {
    constexpr std::uint64_t MiB = std::uint64_t{1} << 20;
    return limit % MiB == 0 && limit > 0 ? std::to_string(limit / MiB) + " MiB" : std::to_string(limit) + " bytes";
}

} // namespace

std::optional<std::vector<std::uint8_t>> read(const std::string& path, std::uint64_t limit, std::string* reason) {
    std::string why;
    const auto refuse = [&](std::string text) -> std::optional<std::vector<std::uint8_t>> {
        if (reason) *reason = std::move(text);
        return std::nullopt;
    };
    // Non-blocking, so opening a FIFO with no writer returns at once; fstat then refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return refuse(std::strerror(errno));
    struct stat st {};
    std::vector<std::uint8_t> data;
    if (::fstat(fd, &st) != 0)
        why = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        why = "not a regular file";
    else if (static_cast<std::uint64_t>(st.st_size) > limit)
        why = "larger than " + limitText(limit);
    if (why.empty()) {
        data.reserve(static_cast<std::size_t>(st.st_size));
        std::uint8_t buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) why = std::strerror(errno);
            if (n <= 0) break;
            // The file may grow while it is read; the limit holds for what is read too.
            if (data.size() + static_cast<std::size_t>(n) > limit) {
                why = "larger than " + limitText(limit);
                break;
            }
            data.insert(data.end(), buffer, buffer + n);
        }
    }
    ::close(fd);
    if (!why.empty()) return refuse(why);
    return data;
}

std::optional<std::string> write(const std::string& path, std::span<const std::uint8_t> data) {
    TempFile temp(folderOf(path));
    if (!temp.fill(data) || !temp.moveTo(path, false)) return temp.error();
    return std::nullopt;
}

std::string numberedName(const std::string& base, int counter, const std::string& extension) {
    if (counter <= 1) return base + "." + extension;
    return base + "-" + std::to_string(counter) + "." + extension;
}

Created createUnique(const std::string& folder, const std::function<std::string(int)>& nameFor,
                     std::span<const std::uint8_t> data) {
    const std::filesystem::path dir = folder.empty() ? std::filesystem::path(".") : std::filesystem::path(folder);
    TempFile temp(dir, true);
    if (!temp.fill(data)) return {{}, temp.error()};
    for (int counter = 1; counter <= kMaxCounter; ++counter) {
        const std::string name = nameFor(counter);
        if (temp.moveTo(name, true)) return {(dir / name).string(), {}};
        if (errno != EEXIST) return {{}, temp.error()};
    }
    return {{}, "no free file name"};
}

} // namespace quelso::Files
