#include "model/Configuration.h"

#include <QSettings>
#include <QStandardPaths>

#include "model/KeychainStore.h"

namespace quelso::Configuration {

namespace {

const QString kProvider = QStringLiteral("quelso.renameProvider");
const QString kModel = QStringLiteral("quelso.aiModel");
const QString kBaseURL = QStringLiteral("quelso.aiBaseURL");
const QString kLegacyKey = QStringLiteral("quelso.aiAPIKey");
const QString kKeyAccount = QStringLiteral("aiAPIKey");

} // namespace

QString filePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quelso/quelso.conf");
}

void load(ProcessingSettings& settings) {
    QSettings store(filePath(), QSettings::IniFormat);
    const std::optional<RenameProvider> provider =
        RenameProviders::fromRawValue(store.value(kProvider).toString().toStdString());
    const QString model = store.value(kModel).toString();
    const QString baseURL = store.value(kBaseURL).toString();
    QString key = KeychainStore::get(kKeyAccount);
    if (key.isEmpty()) {
        const QString legacy = store.value(kLegacyKey).toString();
        if (!legacy.isEmpty()) {
            KeychainStore::set(legacy, kKeyAccount);
            store.remove(kLegacyKey);
            store.sync();
            key = legacy;
        }
    }
    if (provider) settings.renameProvider = *provider;
    settings.aiModel = model.toStdString();
    settings.aiBaseURL = baseURL.toStdString();
    settings.aiAPIKey = key.toStdString();
}

void save(const ProcessingSettings& settings) {
    QSettings store(filePath(), QSettings::IniFormat);
    store.setValue(kProvider, QString::fromUtf8(RenameProviders::rawValue(settings.renameProvider)));
    store.setValue(kModel, QString::fromStdString(settings.aiModel));
    store.setValue(kBaseURL, QString::fromStdString(settings.aiBaseURL));
    store.sync();
    KeychainStore::set(QString::fromStdString(settings.aiAPIKey), kKeyAccount);
}

} // namespace quelso::Configuration
