#pragma once
// libvips objects owned by smart pointers, and the one way the codec runs an operation: a
// failure gives an empty result and leaves no libvips error message behind.
#include <memory>
#include <optional>

#include <vips/vips.h>

namespace quelso::ImageCodec {

struct Unref {
    void operator()(void* object) const {
        if (object) g_object_unref(object);
    }
};
using Image = std::unique_ptr<VipsImage, Unref>;
using Source = std::unique_ptr<VipsSource, Unref>;
using Target = std::unique_ptr<VipsTargetCustom, Unref>;

// The engine never prints: libvips' errors are cleared once a call has turned them into an
// absent result.
template <typename T>
std::optional<T> failed() {
    vips_error_clear();
    return std::nullopt;
}

// Runs one libvips operation that makes a new image; null on failure.
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

} // namespace quelso::ImageCodec
