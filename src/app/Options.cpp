#include "app/CLI.h"
#include "app/InputFiles.h"
#include "platform/Utf8.h"

namespace quelso::CLI {

namespace {

template <typename Apply>
void withNumber(const Args& args, std::string_view name, Apply apply) {
    if (auto text = value(args, name))
        if (auto number = parseNumber(*text)) apply(*number);
}

std::optional<OutputFormat> formatNamed(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (name == "webp") return OutputFormat::webp;
    if (name == "png") return OutputFormat::png;
    if (name == "jpg" || name == "jpeg") return OutputFormat::jpeg;
    if (name == "heif" || name == "heic") return OutputFormat::heif;
    return std::nullopt;
}

// The logo option's file, or the one-line error that ends the run.
std::optional<std::string> withLogo(const Args& args, std::string_view name, std::optional<Bytes>& target) {
    const auto path = value(args, name);
    if (!path) return std::nullopt;
    std::string reason;
    target = readLogo(*path, reason);
    if (target) return std::nullopt;
    return "error: could not read " + std::string(name) + " " + printable(*path) + ": " + reason + "\n";
}

} // namespace

std::optional<std::string> applyOptions(const Args& args, ProcessingSettings& s) {
    if (auto name = value(args, "--format"))
        if (auto format = formatNamed(*name)) s.outputFormat = *format;
    withNumber(args, "--quality", [&](double v) { s.quality = v; });
    if (auto text = value(args, "--noise"))
        if (auto strength = parseInteger(*text)) {
            s.noiseStrength = *strength;
            s.noiseEnabled = true; // asking for a strength is asking for noise
        }
    withNumber(args, "--opacity", [&](double v) { s.visibleOpacity = v; });
    if (auto text = value(args, "--text")) s.watermarkText = *text;
    if (auto error = withLogo(args, "--logo", s.watermarkImagePNG)) return error;
    if (contains(args, "--no-invisible")) s.invisible = false;
    if (contains(args, "--visible")) s.visible = true;
    withNumber(args, "--warp", [&](double v) {
        s.warpEnabled = true;
        s.warpIntensity = v;
    });
    withNumber(args, "--blur", [&](double v) {
        s.blurEnabled = true;
        s.blurIntensity = v;
    });
    withNumber(args, "--sharpen", [&](double v) {
        s.sharpenEnabled = true;
        s.sharpenIntensity = v;
    });
    withNumber(args, "--contrast", [&](double v) {
        s.bcEnabled = true;
        s.bcIntensity = v;
    });
    withNumber(args, "--vignette", [&](double v) {
        s.vignetteEnabled = true;
        s.vignetteIntensity = v;
    });
    if (auto error = withLogo(args, "--logo-stamp", s.logoStampPNG)) return error;
    if (s.logoStampPNG) s.logoStampEnabled = true;
    withNumber(args, "--logo-size", [&](double v) { s.logoStampSizePercent = v; });
    withNumber(args, "--logo-opacity", [&](double v) { s.logoStampOpacity = v; });
    withNumber(args, "--logo-margin", [&](double v) { s.logoStampMarginPercent = v; });
    withNumber(args, "--motion", [&](double v) {
        s.motionBlurEnabled = true;
        s.motionBlurIntensity = v;
    });
    withNumber(args, "--motion-angle", [&](double v) { s.motionBlurAngle = v; });
    withNumber(args, "--wave", [&](double v) {
        s.waveEnabled = true;
        s.waveIntensity = v;
    });
    withNumber(args, "--twirl", [&](double v) {
        s.twirlEnabled = true;
        s.twirlIntensity = v;
    });
    withNumber(args, "--grain", [&](double v) {
        s.grainEnabled = true;
        s.grainIntensity = v;
    });
    if (contains(args, "--color-replace")) s.colorReplaceEnabled = true;
    if (auto text = value(args, "--cr-from"))
        if (auto colour = parseHex(*text)) s.colorReplaceFrom = *colour;
    if (auto text = value(args, "--cr-to"))
        if (auto colour = parseHex(*text)) s.colorReplaceTo = *colour;
    withNumber(args, "--cr-tol", [&](double v) { s.colorReplaceTolerance = v; });
    if (contains(args, "--rename")) s.smartRename = true;
    if (contains(args, "--no-rename")) s.smartRename = false;
    if (contains(args, "--keep-metadata")) s.removeMetadata = false;
    if (contains(args, "--no-color")) s.colorShift = false;
    if (contains(args, "--no-force")) s.forceUnique = false;
    if (contains(args, "--micro")) s.microGeometry = true;
    return std::nullopt;
}

} // namespace quelso::CLI
