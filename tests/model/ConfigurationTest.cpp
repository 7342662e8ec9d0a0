// What survives a restart, the keyring item, and the move of a key out of the config file.
#include <QSettings>

#include "ModelTestSupport.h"
#include "model/Configuration.h"
#include "model/KeychainStore.h"

namespace quelso::test {

namespace {

const QString kAccount = QStringLiteral("aiAPIKey");

// What `secret-tool` finds for the key: exit status and printed value.
CommandResult lookup() { return run({"secret-tool", "lookup", "service", "com.quelso.app", "account", "aiAPIKey"}); }

std::string configText() {
    const Bytes bytes = readFile(Configuration::filePath().toStdString());
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

class ConfigurationTest : public ModelTest {};

TEST_F(ConfigurationTest, TheKeyLivesInTheKeyringUnderTheServiceAndAccount) {
    EXPECT_EQ(KeychainStore::get(kAccount), "");
    const QString key = QStringLiteral("sk-cl\u00E9-\u00FC\u00F1\u00EF-\u0634");
    KeychainStore::set(key, kAccount);
    EXPECT_EQ(KeychainStore::get(kAccount), key);
    const CommandResult found = lookup();
    EXPECT_EQ(found.exitCode, 0);
    EXPECT_EQ(found.out, key.toStdString());

    KeychainStore::set(QStringLiteral("second"), kAccount);
    EXPECT_EQ(KeychainStore::get(kAccount), "second");
    const CommandResult all = run({"secret-tool", "search", "--all", "service", "com.quelso.app"});
    EXPECT_EQ(all.out.find("second"), all.out.rfind("second")); // one item, not two
    EXPECT_EQ(KeychainStore::get(QStringLiteral("other")), "");

    KeychainStore::set({}, kAccount);
    EXPECT_EQ(KeychainStore::get(kAccount), "");
    EXPECT_NE(lookup().exitCode, 0);
}

TEST_F(ConfigurationTest, ARestartBringsBackTheNamingChoiceAndTheKeyOnly) {
    {
        auto model = makeModel();
        SettingsModel& s = *model->settings();
        s.setRenameProvider(SettingsModel::Custom);
        s.setAiModel(QStringLiteral("llava"));
        s.setAiBaseURL(QStringLiteral("http://127.0.0.1:9/v1"));
        s.setAiAPIKey(QStringLiteral("k-123"));
        s.setQuality(33);
        s.setNotifyOnImport(true);
        s.setWatermarkText(QStringLiteral("mine"));
        model->setDestination(url(dir.path().string()));
    }
    EXPECT_EQ(lookup().out, "k-123");
    // The config file holds the three naming values and nothing else, never the key.
    const std::string text = configText();
    EXPECT_NE(text.find("quelso.renameProvider=custom"), std::string::npos);
    EXPECT_NE(text.find("quelso.aiModel=llava"), std::string::npos);
    EXPECT_EQ(text.find("k-123"), std::string::npos);
    QSettings file(Configuration::filePath(), QSettings::IniFormat);
    EXPECT_EQ(file.allKeys(), (QStringList{"quelso.aiBaseURL", "quelso.aiModel", "quelso.renameProvider"}));

    auto model = makeModel();
    ProcessingSettings expected;
    expected.renameProvider = RenameProvider::custom;
    expected.aiModel = "llava";
    expected.aiBaseURL = "http://127.0.0.1:9/v1";
    expected.aiAPIKey = "k-123";
    EXPECT_EQ(model->settings()->record(), expected);
    EXPECT_TRUE(model->destination().isEmpty());

    // Clearing the key field removes the stored key.
    model->settings()->setAiAPIKey({});
    EXPECT_NE(lookup().exitCode, 0);
}

// A key in the config file (from an older version) moves to an empty keyring, and is left
// alone when the keyring has one.
TEST_F(ConfigurationTest, ALegacyKeyMovesOnlyToAnEmptyKeyring) {
    for (const QString& stored : {QString(), QStringLiteral("stored")}) {
        KeychainStore::set(stored, kAccount);
        {
            QSettings file(Configuration::filePath(), QSettings::IniFormat);
            file.setValue("quelso.aiAPIKey", "legacy-key");
            file.setValue("quelso.renameProvider", "openai"); // not a raw value: ignored
            file.setValue("quelso.aiModel", "gpt-x");
        }
        const std::string kept = stored.isEmpty() ? "legacy-key" : "stored";
        auto model = makeModel();
        EXPECT_EQ(model->settings()->aiAPIKey().toStdString(), kept);
        EXPECT_EQ(model->settings()->renameProvider(), SettingsModel::AppleVision);
        EXPECT_EQ(model->settings()->aiModel(), "gpt-x");
        EXPECT_EQ(lookup().out, kept);
        EXPECT_EQ(configText().find("quelso.aiAPIKey=legacy-key") != std::string::npos, !stored.isEmpty());
        EXPECT_NE(configText().find("quelso.renameProvider=appleVision"), std::string::npos);
    }
}

} // namespace quelso::test
