#pragma once
#include "settings/ProcessingSettings.h"

namespace quelso {

// PNG output with nothing switched on, so the decoded file shows exactly what the chain did.
inline ProcessingSettings quietPng() {
    ProcessingSettings s;
    s.outputFormat = OutputFormat::png;
    s.forceUnique = false;
    return s;
}

} // namespace quelso
