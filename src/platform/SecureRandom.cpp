#include "platform/SecureRandom.h"

#include <cerrno>
#include <sys/random.h>

namespace quelso {

std::uint64_t secureRandomSeed() {
    std::uint64_t seed = 0;
    auto* bytes = reinterpret_cast<unsigned char*>(&seed);
    std::size_t got = 0;
    while (got < sizeof seed) {
        const ssize_t n = getrandom(bytes + got, sizeof seed - got, 0);
        if (n > 0)
            got += static_cast<std::size_t>(n);
        else if (errno != EINTR)
            break; // cannot happen for 8 bytes once the pool is ready
    }
    return seed;
}

} // namespace quelso
