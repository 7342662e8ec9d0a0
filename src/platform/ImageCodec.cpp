#include "platform/ImageCodec.h"

#include "core/RasterBuffer.h"
#include "platform/ImageCodecHeif.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include <vips/vips.h>

namespace quelso::ImageCodec {
namespace {

struct Unref {
    void operator()(void* object) const {
        if (object) g_object_unref(object);
    }
};
using Image = std::unique_ptr<VipsImage, Unref>;
using Source = std::unique_ptr<VipsSource, Unref>;

constexpr std::int64_t kDefaultMaxPixels = 16383LL * 16383LL;

void discardLog(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// The engine never prints: libvips' warnings about damaged files are dropped, its errors
// cleared once a call has turned them into an absent result.
template <typename T>
std::optional<T> failed() {
    vips_error_clear();
    return std::nullopt;
}

enum class Kind { jpeg, png, webp, heif, tiff, gif, bmp };

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

// The same policy as a loader option string, for the thumbnailer.
const char* failOnOption(const Loader& loader) {
    return loader.failOn == VIPS_FAIL_ON_WARNING ? "fail_on=warning" : "fail_on=error";
}

const Loader& loaderFor(Kind kind) {
    for (const auto& loader : kLoaders)
        if (loader.kind == kind) return loader;
    return kLoaders[0];
}

// Encoded bytes to read: a file on disk, or a buffer owned by the caller or by this record.
struct Input {
    explicit Input(const std::string& file) : path(&file) {}
    Input(const std::uint8_t* bytes, std::size_t length) : data(bytes), size(length) {}

    const std::string* path = nullptr;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    Bytes owned;
};

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
    const int fd = ::open(in.path->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const std::int64_t cap = maxPixels() * 4 + (1 << 20);
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= cap;
    if (ok) {
        in.owned.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (ok && done < in.owned.size()) {
            const ssize_t got = ::read(fd, in.owned.data() + done, in.owned.size() - done);
            ok = got > 0;
            done += ok ? static_cast<std::size_t>(got) : 0;
        }
    }
    ::close(fd);
    in.data = in.owned.data();
    in.size = in.owned.size();
    in.path = nullptr;
    return ok;
}

// Picks the loader from the content (never the file name) and readies the input for it.
std::optional<Kind> sniff(Input& in) {
    // Only regular files: opening a named pipe would wait for a writer forever, and a device
    // such as /dev/zero never ends.
    struct stat st {};
    if (in.path && (::stat(in.path->c_str(), &st) != 0 || !S_ISREG(st.st_mode))) return std::nullopt;
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

// Reads the header; pixels are decoded later, when the pipeline built on it is evaluated.
Image open(const Input& in, Kind kind, VipsAccess access) {
    const Loader& loader = loaderFor(kind);
    // Random access decodes the whole picture first: keep it in memory, never in a temporary
    // file. Streaming needs no such copy, and asking for one would cost a full extra pass.
    const gboolean inMemory = access == VIPS_ACCESS_RANDOM;
    VipsImage* out = nullptr;
    int rc = -1;
    if (in.path && loader.sourceOperation) {
        Source source(vips_source_new_from_file(in.path->c_str()));
        if (source)
            rc = vips_call(loader.sourceOperation, source.get(), &out, "access", access, "fail_on", loader.failOn,
                           "memory", inMemory, nullptr);
    } else if (!in.path) {
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

std::optional<Bytes> profileOf(VipsImage* image) {
    if (!vips_image_get_typeof(image, VIPS_META_ICC_NAME)) return std::nullopt;
    const void* data = nullptr;
    std::size_t length = 0;
    if (vips_image_get_blob(image, VIPS_META_ICC_NAME, &data, &length) != 0 || length == 0) {
        vips_error_clear();
        return std::nullopt;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return Bytes(bytes, bytes + length);
}

// Runs one libvips operation that makes a new image from `in`; null on failure.
template <typename Operation>
Image derive(Operation operation) {
    VipsImage* out = nullptr;
    if (operation(&out) != 0) {
        if (out) g_object_unref(out);
        vips_error_clear();
        return {};
    }
    return Image(out);
}

Image alphaToByte(VipsImage* alpha) {
    if (alpha->BandFmt == VIPS_FORMAT_UCHAR) {
        g_object_ref(alpha);
        return Image(alpha);
    }
    if (alpha->BandFmt == VIPS_FORMAT_USHORT) {
        // a >> 8 maps every 257 * k back to k exactly.
        Image shifted = derive([&](VipsImage** out) { return vips_rshift_const1(alpha, out, 8, nullptr); });
        if (!shifted) return {};
        return derive([&](VipsImage** out) { return vips_cast_uchar(shifted.get(), out, nullptr); });
    }
    return derive([&](VipsImage** out) { return vips_cast_uchar(alpha, out, nullptr); });
}

// Builds, lazily, the 4-band 8-bit sRGB straight-alpha form of any decoded image. The colour
// bands go through the embedded profile unless it already describes sRGB; without a usable
// profile libvips' own conversions apply (CMYK through its built-in CMYK profile).
Image toSrgbRgba(VipsImage* in, const std::optional<Bytes>& icc) {
    const VipsInterpretation space = vips_image_guess_interpretation(in);
    int colourBands = 3;
    if (space == VIPS_INTERPRETATION_CMYK)
        colourBands = 4;
    else if (space == VIPS_INTERPRETATION_B_W || space == VIPS_INTERPRETATION_GREY16 || in->Bands < 3)
        colourBands = 1;
    if (in->Bands < colourBands) return {};
    const bool hasAlpha = in->Bands > colourBands;

    Image colour = derive([&](VipsImage** out) { return vips_extract_band(in, out, 0, "n", colourBands, nullptr); });
    if (!colour) return {};
    Image srgb;
    if (icc && !isSrgbProfile(icc->data(), icc->size()))
        srgb = derive([&](VipsImage** out) {
            return vips_icc_transform(colour.get(), out, "srgb", "embedded", TRUE, "intent", VIPS_INTENT_RELATIVE,
                                      "depth", 8, nullptr);
        });
    if (!srgb) {
        const VipsInterpretation from =
            colourBands == 1
                ? (colour->BandFmt == VIPS_FORMAT_USHORT ? VIPS_INTERPRETATION_GREY16 : VIPS_INTERPRETATION_B_W)
                : space;
        srgb = derive([&](VipsImage** out) {
            return vips_colourspace(colour.get(), out, VIPS_INTERPRETATION_sRGB, "source_space", from, nullptr);
        });
    }
    if (srgb && srgb->BandFmt != VIPS_FORMAT_UCHAR)
        srgb = derive([&](VipsImage** out) { return vips_cast_uchar(srgb.get(), out, nullptr); });
    if (!srgb || srgb->Bands != 3) return {};

    if (!hasAlpha)
        return derive([&](VipsImage** out) { return vips_bandjoin_const1(srgb.get(), out, 255.0, nullptr); });
    Image alphaBand = derive([&](VipsImage** out) { return vips_extract_band(in, out, colourBands, nullptr); });
    Image alpha = alphaBand ? alphaToByte(alphaBand.get()) : Image();
    if (!alpha) return {};
    return derive([&](VipsImage** out) { return vips_bandjoin2(srgb.get(), alpha.get(), out, nullptr); });
}

// Receives the rows in order. The raster is allocated when the first rows have decoded, so a
// header that promises a huge picture over a few bytes of data fails before that cost.
struct RowSink {
    Bytes* raster;
    std::size_t rowBytes;
    std::size_t size;
};

int copyRows(VipsRegion* region, VipsRect* area, void* user) {
    const auto* sink = static_cast<RowSink*>(user);
    if (sink->raster->empty()) *sink->raster = rasterBuffer(sink->size);
    const std::size_t bytes = static_cast<std::size_t>(area->width) * 4;
    for (int y = area->top; y < area->top + area->height; ++y)
        std::memcpy(sink->raster->data() + static_cast<std::size_t>(y) * sink->rowBytes +
                        static_cast<std::size_t>(area->left) * 4,
                    VIPS_REGION_ADDR(region, area->left, y), bytes);
    return 0;
}

// Evaluates the pipeline straight into the raster's own storage, on libvips' threads.
std::optional<PixelImage> render(VipsImage* rgba) {
    if (!rgba || rgba->Bands != 4 || rgba->BandFmt != VIPS_FORMAT_UCHAR || !withinPixelLimit(rgba))
        return failed<PixelImage>();
    PixelImage result;
    result.width = rgba->Xsize;
    result.height = rgba->Ysize;
    RowSink sink{&result.rgba, static_cast<std::size_t>(result.width) * 4,
                 static_cast<std::size_t>(result.width * result.height * 4)};
    if (vips_sink_disc(rgba, copyRows, &sink) != 0 || result.rgba.size() != sink.size) return failed<PixelImage>();
    return result;
}

// Sniffs the input and reads the header of a picture small enough to decode in full.
Image openWithinLimit(Input& in, Kind& kind) {
    if (!init()) return {};
    const auto sniffed = sniff(in);
    if (!sniffed) return {};
    kind = *sniffed;
    Image image = open(in, kind, VIPS_ACCESS_SEQUENTIAL);
    if (image && !withinPixelLimit(image.get())) image.reset();
    return image;
}

std::optional<PixelImage> decode(Input& in) {
    Kind kind{};
    Image image = openWithinLimit(in, kind);
    if (!image) return std::nullopt;
    // Turning the picture needs random access to the decoded rows; the usual upright case
    // streams instead.
    if (vips_image_get_orientation(image.get()) != 1) {
        image = open(in, kind, VIPS_ACCESS_RANDOM);
        if (!image || !withinPixelLimit(image.get())) return failed<PixelImage>();
    }
    std::optional<Bytes> icc = profileOf(image.get());
    Image rgba = toSrgbRgba(image.get(), icc);
    Image upright = rgba ? derive([&](VipsImage** out) { return vips_autorot(rgba.get(), out, nullptr); }) : Image();
    auto result = render(upright.get());
    if (result) result->iccData = std::move(icc);
    return result;
}

// JPEG keeps its profile in APP2 segments right after SOI and the JFIF APP0.
std::optional<Bytes> withIccSegments(const std::uint8_t* jpeg, std::size_t size, const Bytes& icc) {
    if (size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return std::nullopt;
    std::size_t insertAt = 2;
    if (jpeg[2] == 0xFF && jpeg[3] == 0xE0 && size >= 6) insertAt = 4 + ((std::size_t{jpeg[4]} << 8) | jpeg[5]);
    if (insertAt > size) return std::nullopt;
    constexpr std::size_t kChunk = 65519; // 65535 minus length, signature and sequence bytes
    const std::size_t chunks = (icc.size() + kChunk - 1) / kChunk;
    if (chunks == 0 || chunks > 255) return std::nullopt;
    Bytes out(jpeg, jpeg + insertAt);
    static constexpr char kSignature[] = "ICC_PROFILE"; // written with its terminating zero
    for (std::size_t i = 0; i < chunks; ++i) {
        const std::size_t begin = i * kChunk;
        const std::size_t length = std::min(kChunk, icc.size() - begin);
        const std::size_t segment = 2 + sizeof kSignature + 2 + length;
        out.insert(out.end(),
                   {0xFF, 0xE2, static_cast<std::uint8_t>(segment >> 8), static_cast<std::uint8_t>(segment & 0xFF)});
        out.insert(out.end(), kSignature, kSignature + sizeof kSignature);
        out.push_back(static_cast<std::uint8_t>(i + 1));
        out.push_back(static_cast<std::uint8_t>(chunks));
        out.insert(out.end(), icc.begin() + static_cast<std::ptrdiff_t>(begin),
                   icc.begin() + static_cast<std::ptrdiff_t>(begin + length));
    }
    out.insert(out.end(), jpeg + insertAt, jpeg + size);
    return out;
}

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

std::optional<Header> header(const std::string& path) {
    if (!init()) return std::nullopt;
    Input in(path);
    const auto kind = sniff(in);
    if (!kind) return std::nullopt;
    Image image = open(in, *kind, VIPS_ACCESS_SEQUENTIAL);
    if (!image) return std::nullopt;
    Header result{image->Xsize, image->Ysize, loaderFor(*kind).format};
    const char* compression = nullptr;
    if (*kind == Kind::heif && vips_image_get_typeof(image.get(), "heif-compression") &&
        vips_image_get_string(image.get(), "heif-compression", &compression) == 0 &&
        std::string_view(compression) == "av1")
        result.format = "AVIF";
    vips_error_clear();
    return result;
}

std::optional<PixelImage> decodeFile(const std::string& path) {
    Input in(path);
    return decode(in);
}

std::optional<PixelImage> decodeBytes(const std::uint8_t* data, std::size_t size) {
    if (!data || size == 0) return std::nullopt;
    Input in(data, size);
    return decode(in);
}

std::optional<PixelImage> thumbnail(const std::string& path, int maxSide) {
    if (maxSide < 1) return std::nullopt;
    Input in(path);
    Kind kind{};
    if (!openWithinLimit(in, kind)) return std::nullopt;
    Image small = derive([&](VipsImage** out) {
        if (in.path) {
            Source source(vips_source_new_from_file(in.path->c_str()));
            return source ? vips_thumbnail_source(source.get(), out, maxSide, "height", maxSide, "size", VIPS_SIZE_DOWN,
                                                  "option_string", failOnOption(loaderFor(kind)), nullptr)
                          : -1;
        }
        return vips_thumbnail_buffer(const_cast<std::uint8_t*>(in.data), in.size, out, maxSide, "height", maxSide,
                                     "size", VIPS_SIZE_DOWN, "option_string", failOnOption(loaderFor(kind)), nullptr);
    });
    if (!small) return std::nullopt;
    // The thumbnailer has already turned the picture and exported it to sRGB when it had a
    // profile; this only settles bands and depth.
    Image rgba = toSrgbRgba(small.get(), profileOf(small.get()));
    return render(rgba.get());
}

std::optional<Bytes> encode(const std::uint8_t* rgba, int width, int height, SaveFormat format, int quality) {
    if (!rgba || width < 1 || height < 1 || !init()) return std::nullopt;
    const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    Image raw(vips_image_new_from_memory(rgba, size, width, height, 4, VIPS_FORMAT_UCHAR));
    if (!raw) return failed<Bytes>();
    Image tagged = derive([&](VipsImage** out) {
        return vips_copy(raw.get(), out, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr);
    });
    if (!tagged) return std::nullopt;
    const Bytes& profile = srgbProfile();
    vips_image_set_blob_copy(tagged.get(), VIPS_META_ICC_NAME, profile.data(), profile.size());

    void* buffer = nullptr;
    std::size_t length = 0;
    int rc = -1;
    switch (format) {
    case SaveFormat::png:
        rc = vips_pngsave_buffer(tagged.get(), &buffer, &length, nullptr);
        break;
    case SaveFormat::heif:
        // Keeps the profile; the EXIF block libvips adds of its own is cut out afterwards.
        rc = vips_heifsave_buffer(tagged.get(), &buffer, &length, "Q", quality, nullptr);
        break;
    case SaveFormat::jpeg: {
        // libvips would add an EXIF block of its own unless stripped, and stripping drops the
        // profile, so the profile goes back in by hand.
        Image rgb = derive([&](VipsImage** out) { return vips_extract_band(tagged.get(), out, 0, "n", 3, nullptr); });
        if (rgb) rc = vips_jpegsave_buffer(rgb.get(), &buffer, &length, "Q", quality, "strip", TRUE, nullptr);
        break;
    }
    }
    if (rc != 0 || !buffer) {
        g_free(buffer);
        return failed<Bytes>();
    }
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::optional<Bytes> result;
    if (format == SaveFormat::jpeg)
        result = withIccSegments(bytes, length, profile);
    else if (format == SaveFormat::heif)
        result = withoutExifItems(Bytes(bytes, bytes + length));
    else
        result = Bytes(bytes, bytes + length);
    g_free(buffer);
    return result;
}

} // namespace quelso::ImageCodec
