#pragma once
// The image codec service: the only place that talks to libvips. Decodes the formats the
// program reads into straight-alpha sRGB RGBA rasters, makes previews, and saves PNG, JPEG
// and HEIF through libvips' savers.
//
// Only JPEG, PNG, WebP, HEIF/AVIF, TIFF, GIF and BMP are read; every other libvips loader is
// refused, and damaged files are refused rather than half decoded. Nothing here prints.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "core/PixelImage.h"

namespace quelso::ImageCodec {

// Starts libvips once for the whole process; later calls return the first outcome.
// Safe to call from any thread; every other function here calls it.
bool init();

// Largest width * height accepted for decoding: QUELSO_MAX_PIXELS when it holds a positive
// integer, else 16383 * 16383 (read at every call). Images above it are refused from their
// header.
std::int64_t maxPixels();

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::string format; // "JPEG", "PNG", "WEBP", "HEIC", "AVIF", "TIFF", "GIF", "BMP"
};

// Size and format of the first image, from the header alone. Absent when the file cannot be
// opened or is not in a format we read.
std::optional<Header> header(const std::string& path);

// The first image at full size, turned upright by its orientation tag, converted to sRGB
// through its colour profile, straight alpha. iccData holds the source profile unchanged.
// The pixels take reuse's memory when it holds enough: memory already in use costs no page
// faults.
std::optional<PixelImage> decodeFile(const std::string& path, Bytes reuse = {});
std::optional<PixelImage> decodeBytes(const std::uint8_t* data, std::size_t size, Bytes reuse = {});

// True when the file's first image decodes to its last pixel, as decodeFile would read it;
// the rows are dropped as they come, so no raster is filled.
bool decodesWhole(const std::string& path);

// An upright sRGB preview whose longer side is at most maxSide (never enlarged).
std::optional<PixelImage> thumbnail(const std::string& path, int maxSide);

enum class SaveFormat { png, jpeg, heif };

// Saves width * height pixels and nothing of any source: straight-alpha RGBA (bands 4) for
// PNG and HEIF, RGB (bands 3) for JPEG. PNG and HEIF carry the standard sRGB profile, HEIF
// also the EXIF block libvips always adds; JPEG carries no metadata at all, since libvips
// cannot leave its EXIF block out without dropping the profile too. quality (1..100) is
// used by JPEG and HEIF. Absent on failure, and for any other number of bands. onBytes, when
// given, receives the saver's bytes while it writes them: the same bytes the result holds.
std::optional<Bytes> encode(const std::uint8_t* pixels, int bands, int width, int height, SaveFormat format,
                            int quality, const ByteTap& onBytes = {});

// Rows on their way from a decoder to a saver: `count` straight-alpha RGBA pixels, the first of
// them pixel number `first` of the picture in reading order, to be written at `out` in the
// saver's bands (RGB for JPEG, RGBA otherwise). The pass may change `rgba`. Rows are passed in
// order, one call at a time.
using RowPass = std::function<void(std::uint8_t* rgba, std::int64_t first, std::int64_t count, std::uint8_t* out)>;

struct Transcoded {
    Bytes file;
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// Decodes encoded bytes as decodeBytes does and saves the pixels as encode does, each row going
// through pass on the way, without ever holding the whole picture: decoding, the pass and the
// saver overlap, row by row. Absent on any failure, and for a picture that its orientation tag
// turns (turning needs the whole picture): decodeBytes then encode are the road for those.
std::optional<Transcoded> transcode(const std::uint8_t* data, std::size_t size, SaveFormat format, int quality,
                                    const RowPass& pass, const ByteTap& onBytes = {});

// Decodes a file while it is being written, on a thread of its own, with the decoder of its
// format, dropping each row once decoded: the writer hands each piece over as it is made, and
// the decoding costs no time after the last one beyond what the writer left undone.
class DecodeCheck {
public:
    explicit DecodeCheck(SaveFormat format);
    ~DecodeCheck(); // a check not finished counts as failed
    DecodeCheck(const DecodeCheck&) = delete;
    DecodeCheck& operator=(const DecodeCheck&) = delete;

    // The next piece of the file. Pieces arriving after the decoder has stopped are dropped.
    void add(const std::uint8_t* data, std::size_t size);

    // Says the file is complete and waits for the decoder: the picture's header when every
    // pixel decoded.
    std::optional<Header> finish();

    struct Pieces;

private:
    std::unique_ptr<Pieces> pieces_;
    std::thread decoder_;
    std::optional<Header> decoded_;
};

// A standard sRGB ICC profile.
const Bytes& srgbProfile();

// True for an RGB matrix/curve profile whose primaries and tone curves are those of sRGB,
// whatever its maker, version or description.
bool isSrgbProfile(const std::uint8_t* icc, std::size_t size);

} // namespace quelso::ImageCodec
