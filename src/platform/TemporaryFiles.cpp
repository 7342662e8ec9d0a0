#include "platform/TemporaryFiles.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quelso::TemporaryFiles {

namespace {

// A fixed table, because a signal handler may not allocate or lock. More writers than slots
// at once only happens with more threads than any run here uses.
constexpr int kSlots = 128;

enum State : int { kFree, kFilling, kLive };

struct Slot {
    std::atomic<int> state{kFree};
    int dirFd = -1;
    char name[32] = {};
};

Slot slots[kSlots];

void onInterrupt(int signal) {
    removeAll();
    // The handler was reset to the default on entry; the signal raised again is delivered
    // when this returns and ends the process the way it would have without the handler.
    ::raise(signal);
}

} // namespace

int track(int dirFd, const char* name) noexcept {
    if (std::strlen(name) >= sizeof Slot::name) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
        slots[i].dirFd = dirFd;
        std::strcpy(slots[i].name, name);
        slots[i].state.store(kLive, std::memory_order_release);
        return i;
    }
    return -1;
}

void untrack(int ticket) noexcept {
    if (ticket >= 0 && ticket < kSlots) slots[ticket].state.store(kFree, std::memory_order_release);
}

void removeAll() noexcept {
    for (Slot& slot : slots)
        if (slot.state.load(std::memory_order_acquire) == kLive) ::unlinkat(slot.dirFd, slot.name, 0);
}

void removeOnInterrupt() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

} // namespace quelso::TemporaryFiles
