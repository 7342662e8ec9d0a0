#pragma once
// How mottler enters the naming module that it loads on first use: one function with a C
// name hands out the room's two calls. Module and executable are built from this tree by one
// compiler, so the calls keep their C++ types.
#include "naming/ContentName.h"

namespace quelso {

struct NamingCalls {
    decltype(&AIVision::contentName) contentName;
    decltype(&AIVision::testKey) testKey;
};

// The name under which the module exports quelso_naming_calls.
inline constexpr const char* namingEntryName = "quelso_naming_calls";

} // namespace quelso

// The naming module's entry point: its own contentName and testKey, never null.
extern "C" const quelso::NamingCalls* quelso_naming_calls();
