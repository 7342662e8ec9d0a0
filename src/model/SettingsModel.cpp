#include "model/SettingsModel.h"

#include <algorithm>

namespace quelso {

namespace {

// Intensity above which a modification counts as strong.
constexpr double kAggressiveThreshold = 0.5;

QColor toColor(const RGBColor& c) { return QColor::fromRgbF(c.r, c.g, c.b); }
RGBColor toRGB(const QColor& c) { return {c.redF(), c.greenF(), c.blueF()}; }

template <typename Enum, std::size_t N>
std::optional<Enum> fromIndex(int v, const std::array<Enum, N>& cases) {
    if (v < 0 || v >= static_cast<int>(N)) return std::nullopt;
    return cases[static_cast<std::size_t>(v)];
}

} // namespace

SettingsModel::SettingsModel(QObject* parent) : QObject(parent) {}

QString SettingsModel::formatDisplayName(int format) {
    const auto f = fromIndex(format, OutputFormats::allCases);
    return f ? QString::fromUtf8(OutputFormats::displayName(*f)) : QString();
}

QString SettingsModel::providerDisplayName(int provider) {
    const auto p = fromIndex(provider, RenameProviders::allCases);
    return p ? QString::fromUtf8(RenameProviders::displayName(*p)) : QString();
}

QString SettingsModel::providerDefaultModel(int provider) {
    const auto p = fromIndex(provider, RenameProviders::allCases);
    return p ? QString::fromUtf8(RenameProviders::defaultModel(*p)) : QString();
}

QColor SettingsModel::colorReplaceFrom() const { return toColor(s_.colorReplaceFrom); }
QColor SettingsModel::colorReplaceTo() const { return toColor(s_.colorReplaceTo); }

void SettingsModel::setOutputFormat(int v) {
    if (const auto f = fromIndex(v, OutputFormats::allCases))
        write(&ProcessingSettings::outputFormat, *f, &SettingsModel::outputFormatChanged);
}

void SettingsModel::setRenameProvider(int v) {
    if (const auto p = fromIndex(v, RenameProviders::allCases))
        write(&ProcessingSettings::renameProvider, *p, &SettingsModel::renameProviderChanged);
}

void SettingsModel::setColorReplaceFrom(const QColor& v) {
    write(&ProcessingSettings::colorReplaceFrom, toRGB(v), &SettingsModel::colorReplaceFromChanged);
}

void SettingsModel::setColorReplaceTo(const QColor& v) {
    write(&ProcessingSettings::colorReplaceTo, toRGB(v), &SettingsModel::colorReplaceToChanged);
}

bool SettingsModel::outputWatermarkRisk() const {
    return s_.invisible && hasWatermarkContent() && OutputFormats::isLossy(s_.outputFormat);
}

int SettingsModel::activeModCount() const {
    const bool switches[] = {s_.noiseEnabled, s_.warpEnabled,     s_.blurEnabled,       s_.sharpenEnabled,
                             s_.bcEnabled,    s_.vignetteEnabled, s_.motionBlurEnabled, s_.waveEnabled,
                             s_.twirlEnabled, s_.grainEnabled,    s_.colorShift,        s_.forceUnique,
                             s_.microGeometry};
    return static_cast<int>(std::count(std::begin(switches), std::end(switches), true));
}

bool SettingsModel::aggressiveModification() const {
    if (s_.noiseEnabled && s_.noiseStrength > 4) return true;
    // Vignette is left out: even at full strength it does not disturb the pattern.
    const std::pair<bool, double> effects[] = {{s_.warpEnabled, s_.warpIntensity},
                                               {s_.blurEnabled, s_.blurIntensity},
                                               {s_.sharpenEnabled, s_.sharpenIntensity},
                                               {s_.bcEnabled, s_.bcIntensity},
                                               {s_.motionBlurEnabled, s_.motionBlurIntensity},
                                               {s_.waveEnabled, s_.waveIntensity},
                                               {s_.twirlEnabled, s_.twirlIntensity},
                                               {s_.grainEnabled, s_.grainIntensity}};
    return std::any_of(std::begin(effects), std::end(effects),
                       [](const auto& e) { return e.first && e.second > kAggressiveThreshold; });
}

} // namespace quelso
