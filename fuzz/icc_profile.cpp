// The colour-profile reader that decides whether a source profile already is sRGB.
#include <cstdint>
#include <cstdlib>

#include "platform/ImageCodec.h"

using namespace quelso;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes profile(data, data + size); // its own allocation, so a read past it is caught
    ImageCodec::isSrgbProfile(profile.data(), profile.size());
    return 0;
}
