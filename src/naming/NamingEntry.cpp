// The naming module's entry point. The module keeps the two names to itself (naming.map):
// mottler defines them too, to load the module, and a call from here must not land there.
#include "naming/NamingEntry.h"

const quelso::NamingCalls* quelso_naming_calls() {
    static constexpr quelso::NamingCalls calls{&quelso::AIVision::contentName, &quelso::AIVision::testKey};
    return &calls;
}
