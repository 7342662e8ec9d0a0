// Desktop services the model calls for the views: the file manager and the key check.
#include <QDBusConnection>

#include "ModelTestSupport.h"

namespace quelso::test {

namespace {

// A file manager on the private bus that records what it is asked to show.
class FileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    FileManager() : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("file-manager"))) {
        bus_.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), this, QDBusConnection::ExportAllSlots);
        EXPECT_TRUE(bus_.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    }
    ~FileManager() override { QDBusConnection::disconnectFromBus(QStringLiteral("file-manager")); }
    QList<QStringList> shown;

public slots:
    void ShowItems(const QStringList& uris, const QString&) { shown.append(uris); }

private:
    QDBusConnection bus_;
};

} // namespace

class ServicesTest : public ModelTest {};

TEST_F(ServicesTest, RevealShowsTheOutputInTheFileManagerOnlyWhenThereIsOne) {
    FileManager files;
    auto model = makeModel();
    model->settings()->setSmartRename(false);
    model->addFiles({photo("shown.jpg")});
    const QString itemId = model->items()->items()[0]->itemId();
    model->reveal(itemId); // nothing written yet: nothing to show
    model->processAll();
    ASSERT_TRUE(waitFor([&] { return idle(*model); }));
    model->reveal(itemId);
    ASSERT_TRUE(waitFor([&] { return !files.shown.isEmpty(); }));
    settle();
    ASSERT_EQ(files.shown.size(), 1);
    EXPECT_EQ(files.shown[0], QStringList{url(dir.file("shown-unique.webp")).toString()});
}

TEST_F(ServicesTest, TheKeyTestReportsThroughItsState) {
    auto model = makeModel();
    model->settings()->setRenameProvider(SettingsModel::OpenAI);
    model->testKey(); // no key: refused without asking anyone
    EXPECT_EQ(model->keyTestState(), AppModel::KeyTesting);
    EXPECT_EQ(model->keyTestText(), QStringLiteral("Testing\u2026"));
    ASSERT_TRUE(waitFor([&] { return model->keyTestState() != AppModel::KeyTesting; }));
    EXPECT_EQ(model->keyTestText(), QStringLiteral("\u2717 Failed"));
    model->settings()->setRenameProvider(SettingsModel::AppleVision);
    model->testKey(); // offline naming needs no key
    ASSERT_TRUE(waitFor([&] { return model->keyTestState() == AppModel::KeyValid; }));
    EXPECT_EQ(model->keyTestText(), QStringLiteral("\u2713 Valid"));
}

} // namespace quelso::test

#include "ServicesTest.moc"
