// Starting libvips once and the pixel limit every decode checks.
#include <cerrno>
#include <cstdlib>

#include <vips/vips.h>

#include "platform/ImageCodec.h"

namespace quelso::ImageCodec {
namespace {

constexpr std::int64_t kDefaultMaxPixels = 16383LL * 16383LL;

// libvips warns about damaged files on its own; the engine never prints.
void discardLog(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

} // namespace

bool init() {
    static const bool ready = [] {
        if (VIPS_INIT("quelso") != 0) return false;
        g_log_set_handler("VIPS",
                          static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO |
                                                      G_LOG_LEVEL_DEBUG),
                          discardLog, nullptr);
        // Every call decodes a different file once; a cache would only hold memory.
        vips_cache_set_max(0);
        vips_block_untrusted_set(TRUE);
        vips_operation_block_set("VipsForeignLoadMagick", FALSE);
        return true;
    }();
    return ready;
}

std::int64_t maxPixels() {
    const char* text = std::getenv("QUELSO_MAX_PIXELS");
    if (!text || !*text) return kDefaultMaxPixels;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    return errno == 0 && *end == '\0' && value > 0 ? static_cast<std::int64_t>(value) : kDefaultMaxPixels;
}

} // namespace quelso::ImageCodec
