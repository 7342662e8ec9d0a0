#include "TestSupport.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace quelso::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quelso-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::file(const std::string& name) const { return (path_ / name).string(); }

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeFile(const std::filesystem::path& path, const std::string& text) {
    writeFile(path, Bytes(text.begin(), text.end()));
}

std::set<std::string> namesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

CommandResult run(const std::vector<std::string>& argv, const std::string& input) {
    CommandResult result;
    if (argv.empty()) return result;
    int inPipe[2], outPipe[2], errPipe[2];
    if (pipe(inPipe) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0) return result;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(inPipe[1]);
        close(outPipe[0]);
        close(errPipe[0]);
        return result;
    }
    // The child may stop reading early; a broken pipe must not end the test program.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);

    std::size_t written = 0;
    int inFd = inPipe[1];
    if (input.empty()) {
        close(inFd);
        inFd = -1;
    }
    std::string* sinks[2] = {&result.out, &result.err};
    int fds[2] = {outPipe[0], errPipe[0]};
    while (fds[0] >= 0 || fds[1] >= 0) {
        pollfd polls[3];
        int n = 0;
        for (int i = 0; i < 2; ++i) polls[n++] = {fds[i], POLLIN, 0};
        polls[n++] = {inFd, POLLOUT, 0};
        if (poll(polls, n, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i] < 0 || !(polls[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[65536];
            const ssize_t got = read(fds[i], buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                close(fds[i]);
                fds[i] = -1;
            }
        }
        if (inFd >= 0 && (polls[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t put = write(inFd, input.data() + written, input.size() - written);
            if (put > 0) written += static_cast<std::size_t>(put);
            if (put < 0 || written == input.size()) {
                close(inFd);
                inFd = -1;
            }
        }
    }
    if (inFd >= 0) close(inFd);
    sigaction(SIGPIPE, &previous, nullptr);

    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

Bytes solidPixels(int width, int height, const std::vector<std::uint8_t>& pixel) {
    Bytes out;
    out.reserve(static_cast<std::size_t>(width) * height * pixel.size());
    for (long i = 0; i < static_cast<long>(width) * height; ++i) out.insert(out.end(), pixel.begin(), pixel.end());
    return out;
}

Bytes randomPixels(int width, int height, int bands, std::uint64_t seed) {
    std::mt19937_64 generator(seed);
    Bytes out(static_cast<std::size_t>(width) * height * bands);
    for (auto& b : out) b = static_cast<std::uint8_t>(generator() >> 56);
    return out;
}

std::optional<std::string> env(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

std::string mottlerPath() { return QUELSO_MOTTLER; }

CommandResult mottler(std::vector<std::string> args, const std::string& input) {
    args.insert(args.begin(), mottlerPath());
    return run(args, input);
}

std::string samplePath(const std::string& name) { return std::string(QUELSO_SAMPLES) + "/" + name; }

} // namespace quelso::test
