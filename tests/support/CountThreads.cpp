// Preloaded (LD_PRELOAD) into a program under test: counts the threads it starts, and those
// among them that OpenMP's runtime (libgomp) starts, and prints both on standard error as the
// program ends ("threads started: 7, by OpenMP: 0").
#include <atomic>
#include <cstdio>
#include <cstring>

#include <dlfcn.h>
#include <pthread.h>

namespace {

std::atomic<int> started{0};
std::atomic<int> byOpenMP{0};

struct Report {
    ~Report() { std::fprintf(stderr, "threads started: %d, by OpenMP: %d\n", started.load(), byOpenMP.load()); }
} report;

bool calledFromOpenMP(void* address) {
    Dl_info caller{};
    return dladdr(address, &caller) != 0 && caller.dli_fname != nullptr &&
           std::strstr(caller.dli_fname, "/libgomp.") != nullptr;
}

} // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*routine)(void*),
                              void* argument) {
    static const auto next = reinterpret_cast<decltype(&pthread_create)>(dlsym(RTLD_NEXT, "pthread_create"));
    ++started;
    if (calledFromOpenMP(__builtin_return_address(0))) ++byOpenMP;
    return next(thread, attributes, routine, argument);
}
