// Runs through the model: states, names, results, notices and failures, with real files.
#include <QUrl>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include "ModelTestSupport.h"
#include "model/ThemeBytes.h"
#include "pipeline/ImageLoader.h"

namespace quelso::test {

namespace {

std::vector<ImageItem::Status> statuses(AppModel& model) {
    std::vector<ImageItem::Status> out;
    for (const ImageItemPtr& item : model.items()->items()) out.push_back(item->status());
    return out;
}

} // namespace

class RunTest : public ModelTest {};

TEST_F(RunTest, RunsNextToTheSourceAndNeverReplacesAnEarlierOutput) {
    NotificationListener listener;
    auto model = makeModel();
    model->processAll(); // an empty list: no run, no notice
    EXPECT_FALSE(model->isProcessing());
    model->settings()->setSmartRename(false);
    model->addFiles({photo("a.jpg"), photo("b.jpg")});
    EXPECT_EQ(model->pendingCount(), 2);

    model->processAll();
    EXPECT_TRUE(model->isProcessing());
    EXPECT_EQ(statuses(*model), (std::vector{ImageItem::Processing, ImageItem::Processing}));
    ASSERT_TRUE(waitFor([&] { return idle(*model); }));
    EXPECT_EQ(statuses(*model), (std::vector{ImageItem::Done, ImageItem::Done}));
    EXPECT_EQ(model->pendingCount(), 0);
    EXPECT_EQ(files(), (std::set<std::string>{"a-unique.webp", "a.jpg", "b-unique.webp", "b.jpg"}));

    const ImageItem& a = *model->items()->items()[0];
    EXPECT_EQ(a.outputUrl(), url(dir.file("a-unique.webp")));
    EXPECT_EQ(a.outputBytes(), static_cast<qint64>(std::filesystem::file_size(dir.path() / "a-unique.webp")));
    EXPECT_DOUBLE_EQ(*a.percentChanged(), 100.0); // forceUnique is on by default
    EXPECT_FALSE(a.watermarked());
    EXPECT_EQ(a.doneSummary().toStdString(), "100.0% changed \u00B7 " + Theme::bytes(*a.outputBytes()).toStdString());
    const auto decoded = ImageLoader::load(dir.file("a-unique.webp"));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 1600);

    ASSERT_TRUE(waitFor([&] { return listener.calls.size() == 1; }));
    EXPECT_EQ(listener.calls[0].body, "2 images ready");

    // Done items run again under the next free name; the first outputs stay as they were.
    const Bytes first = readFile(dir.path() / "a-unique.webp");
    model->processAll();
    ASSERT_TRUE(waitFor([&] { return idle(*model); }));
    EXPECT_EQ(files(), (std::set<std::string>{"a-unique-2.webp", "a-unique.webp", "a.jpg", "b-unique-2.webp",
                                              "b-unique.webp", "b.jpg"}));
    EXPECT_EQ(readFile(dir.path() / "a-unique.webp"), first);
    EXPECT_EQ(a.outputUrl(), url(dir.file("a-unique-2.webp")));
    ASSERT_TRUE(waitFor([&] { return listener.calls.size() == 2; }));
}

TEST_F(RunTest, TheFormatChoosesTheEncoderAndTheExtension) {
    auto model = makeModel();
    model->settings()->setSmartRename(false);
    // Small, so that the HEIF encoder does not dominate the test's time.
    ASSERT_TRUE(writeImage(dir.file("p.jpg"), randomPixels(240, 160, 3, 7), 240, 160, 3));
    model->addFiles({url(dir.file("p.jpg"))});
    const std::string itemId = model->items()->items()[0]->itemId().toStdString();
    const std::pair<SettingsModel::Format, std::string> cases[] = {{SettingsModel::Jpeg, "p-unique.jpg"},
                                                                   {SettingsModel::Heif, "p-unique.heic"},
                                                                   {SettingsModel::Png, "p-unique.png"}};
    for (const auto& [format, name] : cases) {
        model->settings()->setOutputFormat(format);
        model->process(QString::fromStdString(itemId));
        // A change made while the item runs does not reach it: the settings were copied.
        model->settings()->setOutputFormat(SettingsModel::WebP);
        ASSERT_TRUE(waitFor([&] { return idle(*model); }));
        const auto info = ImageLoader::info(dir.file(name));
        ASSERT_TRUE(info) << name;
        EXPECT_EQ(info->width, 240);
    }
    EXPECT_EQ(files(), (std::set<std::string>{"p-unique.heic", "p-unique.jpg", "p-unique.png", "p.jpg"}));
}

TEST_F(RunTest, FailuresAreShownOnTheItemAndAnnouncedButEndNoRunAsComplete) {
    NotificationListener listener;
    auto model = makeModel();
    writeFile(dir.path() / "broken.png", std::string("not a picture at all"));
    model->addFiles({url(dir.file("broken.png")), url(dir.file("missing.jpg"))});
    model->processAll();
    ASSERT_TRUE(waitFor([&] { return idle(*model); }));
    for (const ImageItemPtr& item : model->items()->items()) {
        EXPECT_EQ(item->status(), ImageItem::Failed);
        EXPECT_EQ(item->statusMessage(), QStringLiteral("Couldn\u2019t read image"));
    }
    EXPECT_EQ(model->pendingCount(), 2);
    ASSERT_TRUE(waitFor([&] { return listener.calls.size() == 2; }));
    settle();
    ASSERT_EQ(listener.calls.size(), 2); // no completion notice when nothing is done
    QStringList bodies{listener.calls[0].body, listener.calls[1].body};
    bodies.sort();
    EXPECT_EQ(bodies, (QStringList{QStringLiteral("broken.png: Couldn\u2019t read image"),
                                   QStringLiteral("missing.jpg: Couldn\u2019t read image")}));
}

TEST_F(RunTest, AReadOnlyDestinationFailsTheWriteAndLeavesNoTemporaryFile) {
    // A read-only bind mount of the output folder in a mount namespace of this process
    // alone: root writes through permission bits, but not through a read-only mount.
    const std::filesystem::path out = dir.path() / "out";
    std::filesystem::create_directory(out);
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(out.c_str(), out.c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "no private mount namespace here";
    ASSERT_EQ(mount(nullptr, out.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0);

    NotificationListener listener;
    auto model = makeModel();
    model->settings()->setSmartRename(false);
    model->addFiles({photo("photo.jpg")});
    model->setDestination(url(out.string()));
    model->processAll();
    ASSERT_TRUE(waitFor([&] { return idle(*model); }));
    const ImageItem& item = *model->items()->items()[0];
    EXPECT_EQ(item.status(), ImageItem::Failed);
    EXPECT_EQ(item.statusMessage(), QStringLiteral("Couldn\u2019t write output"));
    EXPECT_FALSE(item.outputBytes());
    ASSERT_TRUE(waitFor([&] { return listener.calls.size() == 1; }));
    EXPECT_EQ(listener.calls[0].body, QStringLiteral("photo.jpg: Couldn\u2019t write output"));
    umount(out.c_str());
    EXPECT_TRUE(std::filesystem::is_empty(out));
    EXPECT_EQ(files(), (std::set<std::string>{"out", "photo.jpg"}));
}

TEST_F(RunTest, ARemovedItemStillGetsWritten) {
    auto model = makeModel();
    model->settings()->setSmartRename(false);
    model->addFiles({photo("gone.jpg")});
    model->processAll();
    model->remove(model->items()->items()[0]->itemId());
    EXPECT_EQ(model->count(), 0);
    EXPECT_EQ(model->pendingCount(), 0);
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(dir.path() / "gone-unique.webp"); }));
}

} // namespace quelso::test
