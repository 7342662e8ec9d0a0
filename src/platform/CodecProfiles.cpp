// Colour profiles of the codec service: the standard sRGB profile and recognising one.
#include <array>
#include <cmath>
#include <cstring>

#include <vips/vips.h>

#include "platform/ImageCodec.h"

namespace quelso::ImageCodec {
namespace {

// Big-endian reads that refuse to step outside the profile.
class IccReader {
public:
    IccReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::optional<std::uint32_t> u32(std::size_t at) const {
        if (!fits(at, 4)) return std::nullopt;
        return static_cast<std::uint32_t>(readBigEndian(data_ + at, 4));
    }
    std::optional<std::uint16_t> u16(std::size_t at) const {
        if (!fits(at, 2)) return std::nullopt;
        return static_cast<std::uint16_t>(readBigEndian(data_ + at, 2));
    }
    std::optional<double> s15Fixed16(std::size_t at) const {
        const auto raw = u32(at);
        if (!raw) return std::nullopt;
        return static_cast<std::int32_t>(*raw) / 65536.0;
    }
    bool signatureAt(std::size_t at, const char* sig) const {
        return fits(at, 4) && std::memcmp(data_ + at, sig, 4) == 0;
    }

    // Offset of a tag's data, which must hold at least minSize bytes.
    std::optional<std::size_t> tag(const char* sig, std::size_t minSize) const {
        const auto count = u32(128);
        if (!count) return std::nullopt;
        for (std::uint32_t i = 0; i < *count && fits(132 + std::size_t{i} * 12, 12); ++i) {
            const std::size_t entry = 132 + std::size_t{i} * 12;
            const auto offset = u32(entry + 4);
            const auto size = u32(entry + 8);
            if (signatureAt(entry, sig) && offset && size && *size >= minSize && fits(*offset, *size)) return *offset;
        }
        return std::nullopt;
    }

private:
    bool fits(std::size_t at, std::size_t length) const { return at <= size_ && length <= size_ - at; }

    const std::uint8_t* data_;
    std::size_t size_;
};

double srgbToLinear(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }

// Value of a 'curv' or 'para' tone curve at x in 0..1.
std::optional<double> evaluateCurve(const IccReader& icc, std::size_t at, double x) {
    if (icc.signatureAt(at, "curv")) {
        const auto count = icc.u32(at + 8);
        if (!count) return std::nullopt;
        if (*count == 0) return x;
        if (*count == 1) {
            const auto gamma = icc.u16(at + 12);
            return gamma ? std::optional<double>(std::pow(x, *gamma / 256.0)) : std::nullopt;
        }
        const double position = x * (*count - 1);
        const auto index = static_cast<std::uint32_t>(std::floor(position));
        const std::uint32_t next = std::min(index + 1, *count - 1);
        const auto low = icc.u16(at + 12 + std::size_t{index} * 2);
        const auto high = icc.u16(at + 12 + std::size_t{next} * 2);
        if (!low || !high) return std::nullopt;
        const double t = position - index;
        return (*low * (1 - t) + *high * t) / 65535.0;
    }
    if (icc.signatureAt(at, "para")) {
        const auto type = icc.u16(at + 8);
        static constexpr std::array<int, 5> kParams{1, 3, 4, 5, 7};
        if (!type || *type >= kParams.size()) return std::nullopt;
        std::array<double, 7> p{};
        for (int i = 0; i < kParams[*type]; ++i) {
            const auto v = icc.s15Fixed16(at + 12 + static_cast<std::size_t>(i) * 4);
            if (!v) return std::nullopt;
            p[static_cast<std::size_t>(i)] = *v;
        }
        const double g = p[0], a = p[1], b = p[2], c = p[3], d = p[4], e = p[5], f = p[6];
        const auto power = [&](double base) { return base > 0 ? std::pow(base, g) : 0.0; };
        switch (*type) {
        case 0:
            return power(x);
        case 1:
            return x >= -b / a ? power(a * x + b) : 0.0;
        case 2:
            return x >= -b / a ? power(a * x + b) + c : c;
        case 3:
            return x >= d ? power(a * x + b) : c * x;
        default:
            return x >= d ? power(a * x + b) + e : c * x + f;
        }
    }
    return std::nullopt;
}

} // namespace

const Bytes& srgbProfile() {
    // libvips carries the standard profile, the one it attaches to whatever it exports to sRGB.
    static const Bytes profile = []() -> Bytes {
        VipsBlob* blob = nullptr;
        if (!init() || vips_profile_load("srgb", &blob, nullptr) != 0 || !blob) {
            vips_error_clear();
            return {};
        }
        std::size_t length = 0;
        const auto* begin = static_cast<const std::uint8_t*>(vips_blob_get(blob, &length));
        Bytes bytes(begin, begin + length);
        vips_area_unref(VIPS_AREA(blob));
        return bytes;
    }();
    return profile;
}

bool isSrgbProfile(const std::uint8_t* data, std::size_t size) {
    if (!data) return false;
    const IccReader icc(data, size);
    if (!icc.signatureAt(16, "RGB ") || !icc.signatureAt(20, "XYZ ")) return false;

    // Colorants of sRGB adapted to the D50 connection space, as every sRGB profile states
    // them up to rounding.
    struct Colorant {
        const char* sig;
        std::array<double, 3> xyz;
    };
    static const Colorant kColorants[] = {
        {"rXYZ", {0.4361, 0.2225, 0.0139}}, {"gXYZ", {0.3851, 0.7169, 0.0971}}, {"bXYZ", {0.1431, 0.0606, 0.7141}}};
    for (const auto& colorant : kColorants) {
        const auto at = icc.tag(colorant.sig, 20);
        if (!at || !icc.signatureAt(*at, "XYZ ")) return false;
        for (std::size_t i = 0; i < 3; ++i) {
            const auto v = icc.s15Fixed16(*at + 8 + i * 4);
            if (!v || std::fabs(*v - colorant.xyz[i]) > 0.003) return false;
        }
    }
    // Tone curves: close enough to the sRGB curve that no 8-bit value would move, and far
    // tighter than a plain 2.2 gamma, which differs by up to 0.004.
    static constexpr double kSamples[] = {0.01, 0.03, 0.06, 0.1, 0.2, 0.35, 0.5, 0.65, 0.8, 0.9, 1.0};
    for (const char* sig : {"rTRC", "gTRC", "bTRC"}) {
        const auto at = icc.tag(sig, 12);
        if (!at) return false;
        for (double x : kSamples) {
            const auto y = evaluateCurve(icc, *at, x);
            if (!y || std::fabs(*y - srgbToLinear(x)) > 0.001) return false;
        }
    }
    return true;
}

} // namespace quelso::ImageCodec
