#include "settings/ProcessingSettings.h"

#include "platform/Utf8.h"

namespace quelso {

WatermarkContent ProcessingSettings::watermarkContent() const {
    if (watermarkImagePNG && !watermarkImagePNG->empty()) return WatermarkContent::image(*watermarkImagePNG);
    const std::string_view text = trimmedWhitespace(watermarkText);
    if (text.empty()) return WatermarkContent::none();
    return WatermarkContent::text(std::string(text));
}

bool ProcessingSettings::mustBeLossless() const {
    return invisible && !watermarkContent().isNone() && outputFormat == OutputFormat::webp;
}

} // namespace quelso
