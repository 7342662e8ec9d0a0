#include "platform/CodecInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>
#include <string_view>

#include "platform/Files.h"
#include "platform/ImageCodec.h"

namespace quelso::ImageCodec {
namespace {

struct Loader {
    std::string_view classPrefix; // libvips loader class names start with this
    Kind kind;
    const char* sourceOperation; // null when the loader only takes memory buffers
    const char* bufferOperation;
    const char* format;
    VipsFailOn failOn;
};

// The formats we read. libvips knows more, but each extra loader is more attack surface
// for files nobody asked us to open. BMP only exists through ImageMagick, which is kept for
// files that start with the BMP signature and never chosen by sniffing.
//
// Damaged data must fail the decode rather than leave grey rows behind. Every decoder but
// libjpeg reports that as an error; libjpeg only warns when the compressed data stops short
// of the picture (and fills the rest with grey), so JPEG fails on warnings too.
constexpr Loader kLoaders[] = {
    {"VipsForeignLoadJpeg", Kind::jpeg, "jpegload_source", "jpegload_buffer", "JPEG", VIPS_FAIL_ON_WARNING},
    {"VipsForeignLoadPng", Kind::png, "pngload_source", "pngload_buffer", "PNG", VIPS_FAIL_ON_ERROR},
    {"VipsForeignLoadWebp", Kind::webp, "webpload_source", "webpload_buffer", "WEBP", VIPS_FAIL_ON_ERROR},
    {"VipsForeignLoadHeif", Kind::heif, "heifload_source", "heifload_buffer", "HEIC", VIPS_FAIL_ON_ERROR},
    {"VipsForeignLoadTiff", Kind::tiff, "tiffload_source", "tiffload_buffer", "TIFF", VIPS_FAIL_ON_ERROR},
    {"VipsForeignLoadNsgif", Kind::gif, "gifload_source", "gifload_buffer", "GIF", VIPS_FAIL_ON_ERROR},
    {"VipsForeignLoadMagick", Kind::bmp, nullptr, "magickload_buffer", "BMP", VIPS_FAIL_ON_ERROR},
};

const Loader& loaderFor(Kind kind) {
    for (const auto& loader : kLoaders)
        if (loader.kind == kind) return loader;
    return kLoaders[0];
}

bool startsWithBmpSignature(const Input& in) {
    if (!in.path) return in.size >= 2 && in.data[0] == 'B' && in.data[1] == 'M';
    char magic[2] = {};
    const int fd = ::open(in.path->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool bmp = ::read(fd, magic, 2) == 2 && magic[0] == 'B' && magic[1] == 'M';
    ::close(fd);
    return bmp;
}

// ImageMagick only reads from memory; a BMP is never much larger than its pixels, so a file
// above that size cannot be one we would accept anyway.
bool readWholeFile(Input& in) {
    std::optional<Bytes> bytes = Files::read(*in.path, static_cast<std::uint64_t>(maxPixels()) * 4 + (1 << 20));
    if (!bytes) return false;
    in.owned = std::move(*bytes);
    in.data = in.owned.data();
    in.size = in.owned.size();
    in.path = nullptr;
    return true;
}

} // namespace

std::optional<Kind> sniff(Input& in) {
    // Only regular files: opening a named pipe would wait for a writer forever, and a device
    // such as /dev/zero never ends. Files past the size every other read refuses are refused
    // here too, before a loader starts sniffing through gigabytes.
    struct stat st {};
    if (in.path && (::stat(in.path->c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
                    static_cast<std::uint64_t>(st.st_size) > Files::kDefaultReadLimit))
        return std::nullopt;
    if (startsWithBmpSignature(in)) {
        if (in.path && !readWholeFile(in)) return failed<Kind>();
        return Kind::bmp;
    }
    const char* name = nullptr;
    if (in.path) {
        Source source(vips_source_new_from_file(in.path->c_str()));
        if (source) name = vips_foreign_find_load_source(source.get());
    } else if (in.size > 0) {
        name = vips_foreign_find_load_buffer(in.data, in.size);
    }
    if (!name) return failed<Kind>();
    for (const auto& loader : kLoaders)
        if (loader.kind != Kind::bmp && std::string_view(name).starts_with(loader.classPrefix)) return loader.kind;
    return failed<Kind>();
}

Image open(const Input& in, Kind kind, VipsAccess access) {
    const Loader& loader = loaderFor(kind);
    // Random access decodes the whole picture first: keep it in memory, never in a temporary
    // file. Streaming needs no such copy, and asking for one would cost a full extra pass.
    const gboolean inMemory = access == VIPS_ACCESS_RANDOM;
    VipsImage* out = nullptr;
    int rc = -1;
    if ((in.path || in.source) && loader.sourceOperation) {
        Source source(in.path ? vips_source_new_from_file(in.path->c_str())
                              : static_cast<VipsSource*>(g_object_ref(in.source)));
        if (source)
            rc = vips_call(loader.sourceOperation, source.get(), &out, "access", access, "fail_on", loader.failOn,
                           "memory", inMemory, nullptr);
    } else if (!in.path && !in.source) {
        VipsBlob* blob = vips_blob_new(nullptr, in.data, in.size);
        rc = vips_call(loader.bufferOperation, blob, &out, "access", access, "fail_on", loader.failOn, "memory",
                       inMemory, nullptr);
        vips_area_unref(VIPS_AREA(blob));
    }
    Image image(out);
    if (rc != 0) {
        vips_error_clear();
        return {};
    }
    return image;
}

bool withinPixelLimit(const VipsImage* image) {
    std::int64_t pixels = 0, bytes = 0;
    return image->Xsize > 0 && image->Ysize > 0 &&
           !__builtin_mul_overflow(std::int64_t{image->Xsize}, std::int64_t{image->Ysize}, &pixels) &&
           !__builtin_mul_overflow(pixels, std::int64_t{4}, &bytes) && pixels <= maxPixels() &&
           static_cast<std::uint64_t>(bytes) <= std::numeric_limits<std::size_t>::max();
}

Image openWithinLimit(Input& in, Kind& kind) {
    if (!init()) return {};
    const auto sniffed = sniff(in);
    if (!sniffed) return {};
    kind = *sniffed;
    Image image = open(in, kind, VIPS_ACCESS_SEQUENTIAL);
    if (image && !withinPixelLimit(image.get())) image.reset();
    return image;
}

const char* formatName(Kind kind) { return loaderFor(kind).format; }

const char* failOnOption(Kind kind) {
    return loaderFor(kind).failOn == VIPS_FAIL_ON_WARNING ? "fail_on=warning" : "fail_on=error";
}

} // namespace quelso::ImageCodec
