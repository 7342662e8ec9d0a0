#pragma once
// The temporary files this process is writing at this moment, so that an interrupt can
// remove them before the process ends instead of leaving half-written files behind.
namespace quelso::TemporaryFiles {

// Records that the file `name` in the folder open as dirFd is being written. The name must
// stay shorter than 32 bytes and dirFd open until untrack. Returns the ticket for untrack,
// or -1 when too many files are in flight to keep track of another.
int track(int dirFd, const char* name) noexcept;
void untrack(int ticket) noexcept;

// Unlinks every tracked file. Async-signal-safe.
void removeAll() noexcept;

// From now on SIGINT, SIGTERM and SIGHUP remove the tracked files and then end the process
// as the signal would have (the shell sees 130, 143, 129). A signal the process was started
// with ignored stays ignored.
void removeOnInterrupt();

} // namespace quelso::TemporaryFiles
