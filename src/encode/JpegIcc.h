#pragma once
// Colour profiles written into JPEG files.
#include <optional>

#include "core/Bytes.h"

namespace quelso::JpegIcc {

// The JPEG with the profile in APP2 "ICC_PROFILE" segments right after SOI and any JFIF APP0.
// Absent when the bytes do not start like a JPEG or the profile needs more than 255 segments.
std::optional<Bytes> withProfile(const Bytes& jpeg, const Bytes& icc);

// A tap for a JPEG's bytes while they are written that hands `next` the bytes of
// withProfile(jpeg, icc) as they become known: the first ones held back until the place for
// the profile has come by. Empty when next is.
ByteTap withProfileAlong(const Bytes& icc, ByteTap next);

} // namespace quelso::JpegIcc
