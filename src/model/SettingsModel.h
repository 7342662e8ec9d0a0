#pragma once
// The processing settings as QML sees them: one property per field, each with its own
// change signal. Every write that changes a value also emits edited(), which the
// application model answers by saving the configuration.
#include <QColor>
#include <QObject>
#include <QString>

#include "settings/ProcessingSettings.h"

namespace quelso {

class SettingsModel : public QObject {
    Q_OBJECT

    Q_PROPERTY(int outputFormat READ outputFormat WRITE setOutputFormat NOTIFY outputFormatChanged)
    Q_PROPERTY(double quality READ quality WRITE setQuality NOTIFY qualityChanged)
    Q_PROPERTY(bool removeMetadata READ removeMetadata WRITE setRemoveMetadata NOTIFY removeMetadataChanged)
    Q_PROPERTY(bool noiseEnabled READ noiseEnabled WRITE setNoiseEnabled NOTIFY noiseEnabledChanged)
    Q_PROPERTY(int noiseStrength READ noiseStrength WRITE setNoiseStrength NOTIFY noiseStrengthChanged)
    Q_PROPERTY(bool warpEnabled READ warpEnabled WRITE setWarpEnabled NOTIFY warpEnabledChanged)
    Q_PROPERTY(double warpIntensity READ warpIntensity WRITE setWarpIntensity NOTIFY warpIntensityChanged)
    Q_PROPERTY(bool blurEnabled READ blurEnabled WRITE setBlurEnabled NOTIFY blurEnabledChanged)
    Q_PROPERTY(double blurIntensity READ blurIntensity WRITE setBlurIntensity NOTIFY blurIntensityChanged)
    Q_PROPERTY(bool sharpenEnabled READ sharpenEnabled WRITE setSharpenEnabled NOTIFY sharpenEnabledChanged)
    Q_PROPERTY(double sharpenIntensity READ sharpenIntensity WRITE setSharpenIntensity NOTIFY sharpenIntensityChanged)
    Q_PROPERTY(bool bcEnabled READ bcEnabled WRITE setBcEnabled NOTIFY bcEnabledChanged)
    Q_PROPERTY(double bcIntensity READ bcIntensity WRITE setBcIntensity NOTIFY bcIntensityChanged)
    Q_PROPERTY(bool vignetteEnabled READ vignetteEnabled WRITE setVignetteEnabled NOTIFY vignetteEnabledChanged)
    Q_PROPERTY(
        double vignetteIntensity READ vignetteIntensity WRITE setVignetteIntensity NOTIFY vignetteIntensityChanged)
    Q_PROPERTY(bool motionBlurEnabled READ motionBlurEnabled WRITE setMotionBlurEnabled NOTIFY motionBlurEnabledChanged)
    Q_PROPERTY(double motionBlurIntensity READ motionBlurIntensity WRITE setMotionBlurIntensity NOTIFY
                   motionBlurIntensityChanged)
    Q_PROPERTY(double motionBlurAngle READ motionBlurAngle WRITE setMotionBlurAngle NOTIFY motionBlurAngleChanged)
    Q_PROPERTY(bool waveEnabled READ waveEnabled WRITE setWaveEnabled NOTIFY waveEnabledChanged)
    Q_PROPERTY(double waveIntensity READ waveIntensity WRITE setWaveIntensity NOTIFY waveIntensityChanged)
    Q_PROPERTY(bool twirlEnabled READ twirlEnabled WRITE setTwirlEnabled NOTIFY twirlEnabledChanged)
    Q_PROPERTY(double twirlIntensity READ twirlIntensity WRITE setTwirlIntensity NOTIFY twirlIntensityChanged)
    Q_PROPERTY(bool grainEnabled READ grainEnabled WRITE setGrainEnabled NOTIFY grainEnabledChanged)
    Q_PROPERTY(double grainIntensity READ grainIntensity WRITE setGrainIntensity NOTIFY grainIntensityChanged)
    Q_PROPERTY(bool colorShift READ colorShift WRITE setColorShift NOTIFY colorShiftChanged)
    Q_PROPERTY(bool colorReplaceEnabled READ colorReplaceEnabled WRITE setColorReplaceEnabled NOTIFY
                   colorReplaceEnabledChanged)
    Q_PROPERTY(QColor colorReplaceFrom READ colorReplaceFrom WRITE setColorReplaceFrom NOTIFY colorReplaceFromChanged)
    Q_PROPERTY(QColor colorReplaceTo READ colorReplaceTo WRITE setColorReplaceTo NOTIFY colorReplaceToChanged)
    Q_PROPERTY(double colorReplaceTolerance READ colorReplaceTolerance WRITE setColorReplaceTolerance NOTIFY
                   colorReplaceToleranceChanged)
    Q_PROPERTY(bool smartRename READ smartRename WRITE setSmartRename NOTIFY smartRenameChanged)
    Q_PROPERTY(int renameProvider READ renameProvider WRITE setRenameProvider NOTIFY renameProviderChanged)
    Q_PROPERTY(QString aiAPIKey READ aiAPIKey WRITE setAiAPIKey NOTIFY aiAPIKeyChanged)
    Q_PROPERTY(QString aiModel READ aiModel WRITE setAiModel NOTIFY aiModelChanged)
    Q_PROPERTY(QString aiBaseURL READ aiBaseURL WRITE setAiBaseURL NOTIFY aiBaseURLChanged)
    Q_PROPERTY(bool notifyBanner READ notifyBanner WRITE setNotifyBanner NOTIFY notifyBannerChanged)
    Q_PROPERTY(bool notifySound READ notifySound WRITE setNotifySound NOTIFY notifySoundChanged)
    Q_PROPERTY(bool notifyOnComplete READ notifyOnComplete WRITE setNotifyOnComplete NOTIFY notifyOnCompleteChanged)
    Q_PROPERTY(bool notifyOnError READ notifyOnError WRITE setNotifyOnError NOTIFY notifyOnErrorChanged)
    Q_PROPERTY(bool notifyOnImport READ notifyOnImport WRITE setNotifyOnImport NOTIFY notifyOnImportChanged)
    Q_PROPERTY(bool forceUnique READ forceUnique WRITE setForceUnique NOTIFY forceUniqueChanged)
    Q_PROPERTY(bool microGeometry READ microGeometry WRITE setMicroGeometry NOTIFY microGeometryChanged)
    Q_PROPERTY(bool logoStampEnabled READ logoStampEnabled WRITE setLogoStampEnabled NOTIFY logoStampEnabledChanged)
    // The logo pictures themselves are set and cleared through AppModel (setLogoStamp, …);
    // the names are what the sidebar shows, empty while no logo is chosen.
    Q_PROPERTY(QString logoStampName READ logoStampName NOTIFY logoStampNameChanged)
    Q_PROPERTY(double logoStampSizePercent READ logoStampSizePercent WRITE setLogoStampSizePercent NOTIFY
                   logoStampSizePercentChanged)
    Q_PROPERTY(double logoStampOpacity READ logoStampOpacity WRITE setLogoStampOpacity NOTIFY logoStampOpacityChanged)
    Q_PROPERTY(double logoStampMarginPercent READ logoStampMarginPercent WRITE setLogoStampMarginPercent NOTIFY
                   logoStampMarginPercentChanged)
    Q_PROPERTY(QString watermarkText READ watermarkText WRITE setWatermarkText NOTIFY watermarkTextChanged)
    Q_PROPERTY(QString watermarkLogoName READ watermarkLogoName NOTIFY watermarkLogoNameChanged)
    Q_PROPERTY(bool invisible READ invisible WRITE setInvisible NOTIFY invisibleChanged)
    Q_PROPERTY(bool visible READ visible WRITE setVisible NOTIFY visibleChanged)
    Q_PROPERTY(double visibleOpacity READ visibleOpacity WRITE setVisibleOpacity NOTIFY visibleOpacityChanged)

    // Derived values the sidebar shows; they follow every change (signal edited).
    Q_PROPERTY(bool hasWatermarkContent READ hasWatermarkContent NOTIFY edited)
    Q_PROPERTY(bool mustBeLossless READ mustBeLossless NOTIFY edited)
    Q_PROPERTY(bool outputIsLossy READ outputIsLossy NOTIFY edited)
    Q_PROPERTY(bool outputWatermarkRisk READ outputWatermarkRisk NOTIFY edited)
    Q_PROPERTY(int activeModCount READ activeModCount NOTIFY edited)
    Q_PROPERTY(bool aggressiveModification READ aggressiveModification NOTIFY edited)

public:
    // Same order as the engine's enumerations, so the values are interchangeable.
    enum Format { WebP, Png, Jpeg, Heif };
    Q_ENUM(Format)
    enum Provider { AppleVision, OpenAI, Gemini, Claude, Custom };
    Q_ENUM(Provider)

    explicit SettingsModel(QObject* parent = nullptr);

    // The whole record: snapshots for the workers, and direct access for the model.
    const ProcessingSettings& record() const { return s_; }
    // Replaces fields without announcing anything (start-up load only).
    ProcessingSettings& recordForLoading() { return s_; }

    // Labels and defaults for the views, by enumeration value.
    Q_INVOKABLE static QString formatDisplayName(int format);
    Q_INVOKABLE static QString providerDisplayName(int provider);
    Q_INVOKABLE static QString providerDefaultModel(int provider);

    int outputFormat() const { return static_cast<int>(s_.outputFormat); }
    double quality() const { return s_.quality; }
    bool removeMetadata() const { return s_.removeMetadata; }
    bool noiseEnabled() const { return s_.noiseEnabled; }
    int noiseStrength() const { return static_cast<int>(s_.noiseStrength); }
    bool warpEnabled() const { return s_.warpEnabled; }
    double warpIntensity() const { return s_.warpIntensity; }
    bool blurEnabled() const { return s_.blurEnabled; }
    double blurIntensity() const { return s_.blurIntensity; }
    bool sharpenEnabled() const { return s_.sharpenEnabled; }
    double sharpenIntensity() const { return s_.sharpenIntensity; }
    bool bcEnabled() const { return s_.bcEnabled; }
    double bcIntensity() const { return s_.bcIntensity; }
    bool vignetteEnabled() const { return s_.vignetteEnabled; }
    double vignetteIntensity() const { return s_.vignetteIntensity; }
    bool motionBlurEnabled() const { return s_.motionBlurEnabled; }
    double motionBlurIntensity() const { return s_.motionBlurIntensity; }
    double motionBlurAngle() const { return s_.motionBlurAngle; }
    bool waveEnabled() const { return s_.waveEnabled; }
    double waveIntensity() const { return s_.waveIntensity; }
    bool twirlEnabled() const { return s_.twirlEnabled; }
    double twirlIntensity() const { return s_.twirlIntensity; }
    bool grainEnabled() const { return s_.grainEnabled; }
    double grainIntensity() const { return s_.grainIntensity; }
    bool colorShift() const { return s_.colorShift; }
    bool colorReplaceEnabled() const { return s_.colorReplaceEnabled; }
    QColor colorReplaceFrom() const;
    QColor colorReplaceTo() const;
    double colorReplaceTolerance() const { return s_.colorReplaceTolerance; }
    bool smartRename() const { return s_.smartRename; }
    int renameProvider() const { return static_cast<int>(s_.renameProvider); }
    QString aiAPIKey() const { return QString::fromStdString(s_.aiAPIKey); }
    QString aiModel() const { return QString::fromStdString(s_.aiModel); }
    QString aiBaseURL() const { return QString::fromStdString(s_.aiBaseURL); }
    bool notifyBanner() const { return s_.notifyBanner; }
    bool notifySound() const { return s_.notifySound; }
    bool notifyOnComplete() const { return s_.notifyOnComplete; }
    bool notifyOnError() const { return s_.notifyOnError; }
    bool notifyOnImport() const { return s_.notifyOnImport; }
    bool forceUnique() const { return s_.forceUnique; }
    bool microGeometry() const { return s_.microGeometry; }
    bool logoStampEnabled() const { return s_.logoStampEnabled; }
    QString logoStampName() const { return QString::fromStdString(s_.logoStampName.value_or("")); }
    double logoStampSizePercent() const { return s_.logoStampSizePercent; }
    double logoStampOpacity() const { return s_.logoStampOpacity; }
    double logoStampMarginPercent() const { return s_.logoStampMarginPercent; }
    QString watermarkText() const { return QString::fromStdString(s_.watermarkText); }
    QString watermarkLogoName() const { return QString::fromStdString(s_.watermarkLogoName.value_or("")); }
    bool invisible() const { return s_.invisible; }
    bool visible() const { return s_.visible; }
    double visibleOpacity() const { return s_.visibleOpacity; }

    bool hasWatermarkContent() const { return !s_.watermarkContent().isNone(); }
    bool mustBeLossless() const { return s_.mustBeLossless(); }
    bool outputIsLossy() const { return OutputFormats::isLossy(s_.outputFormat); }
    bool outputWatermarkRisk() const;
    int activeModCount() const;
    bool aggressiveModification() const;

    void setOutputFormat(int v);
    void setQuality(double v) { write(&ProcessingSettings::quality, v, &SettingsModel::qualityChanged); }
    void setRemoveMetadata(bool v) {
        write(&ProcessingSettings::removeMetadata, v, &SettingsModel::removeMetadataChanged);
    }
    void setNoiseEnabled(bool v) { write(&ProcessingSettings::noiseEnabled, v, &SettingsModel::noiseEnabledChanged); }
    void setNoiseStrength(int v) {
        write(&ProcessingSettings::noiseStrength, std::int64_t{v}, &SettingsModel::noiseStrengthChanged);
    }
    void setWarpEnabled(bool v) { write(&ProcessingSettings::warpEnabled, v, &SettingsModel::warpEnabledChanged); }
    void setWarpIntensity(double v) {
        write(&ProcessingSettings::warpIntensity, v, &SettingsModel::warpIntensityChanged);
    }
    void setBlurEnabled(bool v) { write(&ProcessingSettings::blurEnabled, v, &SettingsModel::blurEnabledChanged); }
    void setBlurIntensity(double v) {
        write(&ProcessingSettings::blurIntensity, v, &SettingsModel::blurIntensityChanged);
    }
    void setSharpenEnabled(bool v) {
        write(&ProcessingSettings::sharpenEnabled, v, &SettingsModel::sharpenEnabledChanged);
    }
    void setSharpenIntensity(double v) {
        write(&ProcessingSettings::sharpenIntensity, v, &SettingsModel::sharpenIntensityChanged);
    }
    void setBcEnabled(bool v) { write(&ProcessingSettings::bcEnabled, v, &SettingsModel::bcEnabledChanged); }
    void setBcIntensity(double v) { write(&ProcessingSettings::bcIntensity, v, &SettingsModel::bcIntensityChanged); }
    void setVignetteEnabled(bool v) {
        write(&ProcessingSettings::vignetteEnabled, v, &SettingsModel::vignetteEnabledChanged);
    }
    void setVignetteIntensity(double v) {
        write(&ProcessingSettings::vignetteIntensity, v, &SettingsModel::vignetteIntensityChanged);
    }
    void setMotionBlurEnabled(bool v) {
        write(&ProcessingSettings::motionBlurEnabled, v, &SettingsModel::motionBlurEnabledChanged);
    }
    void setMotionBlurIntensity(double v) {
        write(&ProcessingSettings::motionBlurIntensity, v, &SettingsModel::motionBlurIntensityChanged);
    }
    void setMotionBlurAngle(double v) {
        write(&ProcessingSettings::motionBlurAngle, v, &SettingsModel::motionBlurAngleChanged);
    }
    void setWaveEnabled(bool v) { write(&ProcessingSettings::waveEnabled, v, &SettingsModel::waveEnabledChanged); }
    void setWaveIntensity(double v) {
        write(&ProcessingSettings::waveIntensity, v, &SettingsModel::waveIntensityChanged);
    }
    void setTwirlEnabled(bool v) { write(&ProcessingSettings::twirlEnabled, v, &SettingsModel::twirlEnabledChanged); }
    void setTwirlIntensity(double v) {
        write(&ProcessingSettings::twirlIntensity, v, &SettingsModel::twirlIntensityChanged);
    }
    void setGrainEnabled(bool v) { write(&ProcessingSettings::grainEnabled, v, &SettingsModel::grainEnabledChanged); }
    void setGrainIntensity(double v) {
        write(&ProcessingSettings::grainIntensity, v, &SettingsModel::grainIntensityChanged);
    }
    void setColorShift(bool v) { write(&ProcessingSettings::colorShift, v, &SettingsModel::colorShiftChanged); }
    void setColorReplaceEnabled(bool v) {
        write(&ProcessingSettings::colorReplaceEnabled, v, &SettingsModel::colorReplaceEnabledChanged);
    }
    void setColorReplaceFrom(const QColor& v);
    void setColorReplaceTo(const QColor& v);
    void setColorReplaceTolerance(double v) {
        write(&ProcessingSettings::colorReplaceTolerance, v, &SettingsModel::colorReplaceToleranceChanged);
    }
    void setSmartRename(bool v) { write(&ProcessingSettings::smartRename, v, &SettingsModel::smartRenameChanged); }
    void setRenameProvider(int v);
    void setAiAPIKey(const QString& v) {
        write(&ProcessingSettings::aiAPIKey, v.toStdString(), &SettingsModel::aiAPIKeyChanged);
    }
    void setAiModel(const QString& v) {
        write(&ProcessingSettings::aiModel, v.toStdString(), &SettingsModel::aiModelChanged);
    }
    void setAiBaseURL(const QString& v) {
        write(&ProcessingSettings::aiBaseURL, v.toStdString(), &SettingsModel::aiBaseURLChanged);
    }
    void setNotifyBanner(bool v) { write(&ProcessingSettings::notifyBanner, v, &SettingsModel::notifyBannerChanged); }
    void setNotifySound(bool v) { write(&ProcessingSettings::notifySound, v, &SettingsModel::notifySoundChanged); }
    void setNotifyOnComplete(bool v) {
        write(&ProcessingSettings::notifyOnComplete, v, &SettingsModel::notifyOnCompleteChanged);
    }
    void setNotifyOnError(bool v) {
        write(&ProcessingSettings::notifyOnError, v, &SettingsModel::notifyOnErrorChanged);
    }
    void setNotifyOnImport(bool v) {
        write(&ProcessingSettings::notifyOnImport, v, &SettingsModel::notifyOnImportChanged);
    }
    void setForceUnique(bool v) { write(&ProcessingSettings::forceUnique, v, &SettingsModel::forceUniqueChanged); }
    void setMicroGeometry(bool v) {
        write(&ProcessingSettings::microGeometry, v, &SettingsModel::microGeometryChanged);
    }
    void setLogoStampEnabled(bool v) {
        write(&ProcessingSettings::logoStampEnabled, v, &SettingsModel::logoStampEnabledChanged);
    }
    void setLogoStampSizePercent(double v) {
        write(&ProcessingSettings::logoStampSizePercent, v, &SettingsModel::logoStampSizePercentChanged);
    }
    void setLogoStampOpacity(double v) {
        write(&ProcessingSettings::logoStampOpacity, v, &SettingsModel::logoStampOpacityChanged);
    }
    void setLogoStampMarginPercent(double v) {
        write(&ProcessingSettings::logoStampMarginPercent, v, &SettingsModel::logoStampMarginPercentChanged);
    }
    void setWatermarkText(const QString& v) {
        write(&ProcessingSettings::watermarkText, v.toStdString(), &SettingsModel::watermarkTextChanged);
    }
    void setInvisible(bool v) { write(&ProcessingSettings::invisible, v, &SettingsModel::invisibleChanged); }
    void setVisible(bool v) { write(&ProcessingSettings::visible, v, &SettingsModel::visibleChanged); }
    void setVisibleOpacity(double v) {
        write(&ProcessingSettings::visibleOpacity, v, &SettingsModel::visibleOpacityChanged);
    }

    // The logo fields, set by the model's logo operations (absent clears).
    void setLogoStampPNG(std::optional<Bytes> v) {
        write(&ProcessingSettings::logoStampPNG, std::move(v), &SettingsModel::logoStampPNGChanged);
    }
    void setLogoStampName(std::optional<std::string> v) {
        write(&ProcessingSettings::logoStampName, std::move(v), &SettingsModel::logoStampNameChanged);
    }
    void setWatermarkImagePNG(std::optional<Bytes> v) {
        write(&ProcessingSettings::watermarkImagePNG, std::move(v), &SettingsModel::watermarkImagePNGChanged);
    }
    void setWatermarkLogoName(std::optional<std::string> v) {
        write(&ProcessingSettings::watermarkLogoName, std::move(v), &SettingsModel::watermarkLogoNameChanged);
    }

signals:
    // After every change of any field, once per field written.
    void edited();

    void outputFormatChanged();
    void qualityChanged();
    void removeMetadataChanged();
    void noiseEnabledChanged();
    void noiseStrengthChanged();
    void warpEnabledChanged();
    void warpIntensityChanged();
    void blurEnabledChanged();
    void blurIntensityChanged();
    void sharpenEnabledChanged();
    void sharpenIntensityChanged();
    void bcEnabledChanged();
    void bcIntensityChanged();
    void vignetteEnabledChanged();
    void vignetteIntensityChanged();
    void motionBlurEnabledChanged();
    void motionBlurIntensityChanged();
    void motionBlurAngleChanged();
    void waveEnabledChanged();
    void waveIntensityChanged();
    void twirlEnabledChanged();
    void twirlIntensityChanged();
    void grainEnabledChanged();
    void grainIntensityChanged();
    void colorShiftChanged();
    void colorReplaceEnabledChanged();
    void colorReplaceFromChanged();
    void colorReplaceToChanged();
    void colorReplaceToleranceChanged();
    void smartRenameChanged();
    void renameProviderChanged();
    void aiAPIKeyChanged();
    void aiModelChanged();
    void aiBaseURLChanged();
    void notifyBannerChanged();
    void notifySoundChanged();
    void notifyOnCompleteChanged();
    void notifyOnErrorChanged();
    void notifyOnImportChanged();
    void forceUniqueChanged();
    void microGeometryChanged();
    void logoStampEnabledChanged();
    void logoStampPNGChanged();
    void logoStampNameChanged();
    void logoStampSizePercentChanged();
    void logoStampOpacityChanged();
    void logoStampMarginPercentChanged();
    void watermarkTextChanged();
    void watermarkImagePNGChanged();
    void watermarkLogoNameChanged();
    void invisibleChanged();
    void visibleChanged();
    void visibleOpacityChanged();

private:
    // Stores the value when it differs, then announces the field and the edit.
    template <typename T, typename V>
    void write(T ProcessingSettings::*field, V&& value, void (SettingsModel::*changed)()) {
        if (s_.*field == value) return;
        s_.*field = std::forward<V>(value);
        emit(this->*changed)();
        emit edited();
    }

    ProcessingSettings s_;
};

} // namespace quelso
