// Preloaded (LD_PRELOAD) into a program under test: every fsync waits half a minute first,
// so that a test can interrupt the program while a written file waits for its final name.
#include <sys/syscall.h>
#include <unistd.h>

extern "C" int fsync(int fd) {
    ::sleep(30);
    return static_cast<int>(::syscall(SYS_fsync, fd));
}
