#pragma once
// Every processing choice for turning one picture into one output file.
#include <cstdint>
#include <optional>
#include <string>

#include "core/Bytes.h"
#include "settings/OutputFormat.h"
#include "settings/RenameProvider.h"
#include "settings/WatermarkContent.h"

namespace quelso {

struct RGBColor {
    double r = 0, g = 0, b = 0;
    bool operator==(const RGBColor&) const = default;
};

struct ProcessingSettings {
    OutputFormat outputFormat = OutputFormat::webp;
    double quality = 70.0;
    bool removeMetadata = true;
    bool noiseEnabled = false;
    std::int64_t noiseStrength = 2;
    bool warpEnabled = false;
    double warpIntensity = 0.3;
    bool blurEnabled = false;
    double blurIntensity = 0.3;
    bool sharpenEnabled = false;
    double sharpenIntensity = 0.4;
    bool bcEnabled = false;
    double bcIntensity = 0.3;
    bool vignetteEnabled = false;
    double vignetteIntensity = 0.3;
    bool motionBlurEnabled = false;
    double motionBlurIntensity = 0.3;
    double motionBlurAngle = 0.0;
    bool waveEnabled = false;
    double waveIntensity = 0.3;
    bool twirlEnabled = false;
    double twirlIntensity = 0.3;
    bool grainEnabled = false;
    double grainIntensity = 0.35;
    bool colorShift = false;
    bool colorReplaceEnabled = false;
    RGBColor colorReplaceFrom{1.0, 0.0, 0.0};
    RGBColor colorReplaceTo{0.0, 0.45, 1.0};
    double colorReplaceTolerance = 0.18;
    bool smartRename = true;
    RenameProvider renameProvider = RenameProvider::appleVision;
    std::string aiAPIKey;
    std::string aiModel;
    std::string aiBaseURL;
    bool notifyBanner = true;
    bool notifySound = true;
    bool notifyOnComplete = true;
    bool notifyOnError = true;
    bool notifyOnImport = false;
    bool forceUnique = true;
    bool microGeometry = false;
    bool logoStampEnabled = false;
    std::optional<Bytes> logoStampPNG;
    std::optional<std::string> logoStampName;
    double logoStampSizePercent = 10.0;
    double logoStampOpacity = 1.0;
    double logoStampMarginPercent = 4.0;
    std::string watermarkText;
    std::optional<Bytes> watermarkImagePNG;
    std::optional<std::string> watermarkLogoName;
    bool invisible = false;
    bool visible = false;
    double visibleOpacity = 0.04;

    // Field by field in declaration order; doubles compare numerically (NaN != NaN).
    bool operator==(const ProcessingSettings&) const = default;

    WatermarkContent watermarkContent() const;
    bool mustBeLossless() const;
};

} // namespace quelso
