// Files entering the queue: the extension filter, item metadata, thumbnails, drops, the
// command line, and the logo panels' effects on the model.
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "ModelTestSupport.h"
#include "model/ThemeBytes.h"

namespace quelso::test {

class IntakeTest : public ModelTest {
protected:
    QUrl png(const std::string& name, int width = 40, int height = 30) const {
        EXPECT_TRUE(writeImage(dir.file(name), randomPixels(width, height, 3, 1), width, height, 3));
        return url(dir.file(name));
    }
    static std::vector<std::string> names(AppModel& model) {
        std::vector<std::string> out;
        for (const ImageItemPtr& item : model.items()->items()) out.push_back(item->fileName().toStdString());
        return out;
    }
};

TEST_F(IntakeTest, OnlyTheTenExtensionsInAnyCaseAreQueuedWithTheirMetadata) {
    auto model = makeModel();
    std::filesystem::create_directory(dir.path() / "folder");
    writeFile(dir.path() / "notes.txt", std::string("hello"));
    const QUrl photo = png("photo.PNG");
    writeFile(dir.path() / "x.gif", std::string(500, 'x')); // a header that does not read
    model->addFiles({url(dir.file("notes.txt")), photo, url(dir.file("folder")), url(dir.file("x.gif")),
                     url(dir.file("y.TIF")), url(dir.file("z.jpeg.bak"))});
    EXPECT_EQ(names(*model), (std::vector<std::string>{"photo.PNG", "x.gif", "y.TIF"}));

    const ImageItem& item = *model->items()->items()[0];
    const auto size = static_cast<qint64>(std::filesystem::file_size(dir.path() / "photo.PNG"));
    EXPECT_EQ(item.byteSize(), size);
    EXPECT_EQ(item.status(), ImageItem::Ready);
    EXPECT_EQ(item.metaLine(), Theme::bytes(size) + QStringLiteral(" \u00B7 40\u00D730 \u00B7 PNG"));
    // An unreadable header shows no size, a missing file nothing at all; both are queued.
    EXPECT_EQ(model->items()->items()[1]->metaLine(), QStringLiteral("500 B \u00B7 0\u00D70 \u00B7 IMG"));
    EXPECT_EQ(model->items()->items()[2]->metaLine(), QStringLiteral("0 B \u00B7 0\u00D70 \u00B7 IMG"));
    EXPECT_EQ(model->pendingCount(), 3);
    EXPECT_TRUE(model->canRun()); // the view tests read these fields through the list's roles
}

TEST_F(IntakeTest, ThumbnailsArriveUprightAndSmallAndOnlyForLivingItems) {
    auto model = makeModel();
    // 600 x 400 stored, turned a quarter by its orientation tag: the preview stands upright.
    // (The window test sees it reach its row through the list's announced change.)
    png("wide.png", 600, 400);
    ASSERT_EQ(run({"vips", "copy", dir.file("wide.png"), dir.file("turned.jpg")}).exitCode, 0);
    ASSERT_EQ(run({"exiftool", "-q", "-overwrite_original", "-n", "-Orientation=6", dir.file("turned.jpg")}).exitCode,
              0);
    model->addFiles({url(dir.file("wide.png")), url(dir.file("turned.jpg"))});
    const ItemListModel& list = *model->items();
    ASSERT_TRUE(waitFor([&] { return list.at(0)->hasThumbnail() && list.at(1)->hasThumbnail(); }));
    EXPECT_EQ(list.at(0)->thumbnail().size(), QSize(256, 171));
    EXPECT_EQ(list.at(1)->thumbnail().size(), QSize(171, 256));

    // A removed item is released at once: its pending thumbnail job does not keep it.
    model->addFiles({url(dir.file("wide.png"))});
    const QWeakPointer<ImageItem> removed = model->items()->items()[2];
    model->removeAll();
    EXPECT_TRUE(removed.isNull());
    settle();
}

TEST_F(IntakeTest, ImportNoticeCountsTheAddedItems) {
    NotificationListener listener;
    auto model = makeModel();
    const QUrl a = png("a.png");
    model->addFiles({a}); // notices on import are off by default
    model->settings()->setNotifyOnImport(true);
    model->addFiles({a});
    model->addFiles({a, url(dir.file("n.txt")), a, a});
    model->addUrls({}); // a drop that delivered nothing adds nothing and says nothing
    ASSERT_TRUE(waitFor([&] { return listener.calls.size() == 2; }));
    settle();
    ASSERT_EQ(listener.calls.size(), 2);
    EXPECT_EQ(listener.calls[0].body, "Added 1 image");
    EXPECT_EQ(listener.calls[1].body, "Added 3 images");
    EXPECT_EQ(model->count(), 5);
    std::set<QString> ids; // the same file five times is five items
    for (const ImageItemPtr& item : model->items()->items()) ids.insert(item->itemId());
    EXPECT_EQ(ids.size(), 5u);
}

TEST_F(IntakeTest, DropsKeepLocalFilesInArrivalOrderAndLaunchArgumentsAreAdded) {
    auto model = makeModel();
    const QUrl a = png("a.png"), b = png("b.png");
    model->addUrls({b, QUrl("https://example.org/c.png"), a});
    EXPECT_EQ(names(*model), (std::vector<std::string>{"b.png", "a.png"}));

    // As a desktop launcher passes them: paths relative to the working folder, or file URLs.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    model->removeAll();
    model->addLaunchArguments({"a.png", b.toString(), "notes.txt"});
    std::filesystem::current_path(previous);
    ASSERT_EQ(model->count(), 2);
    EXPECT_EQ(model->items()->items()[0]->url(), a);
    EXPECT_EQ(model->items()->items()[0]->width(), 40);
    EXPECT_EQ(model->items()->items()[1]->url(), b);
}

TEST_F(IntakeTest, LogosAreReadWholeAndSetInOrderOrNotAtAll) {
    auto model = makeModel();
    SettingsModel& s = *model->settings();
    std::vector<std::string> order;
    const std::pair<const char*, void (SettingsModel::*)()> announcers[] = {
        {"watermarkImagePNGChanged", &SettingsModel::watermarkImagePNGChanged},
        {"watermarkLogoNameChanged", &SettingsModel::watermarkLogoNameChanged},
        {"logoStampPNGChanged", &SettingsModel::logoStampPNGChanged},
        {"logoStampNameChanged", &SettingsModel::logoStampNameChanged},
        {"logoStampEnabledChanged", &SettingsModel::logoStampEnabledChanged}};
    for (const auto& [name, signal] : announcers)
        QObject::connect(&s, signal, &s, [&order, name = name] { order.push_back(name); });
    const QUrl logo = png("logo.png");
    const Bytes bytes = readFile(dir.path() / "logo.png");

    model->setLogo(logo);
    EXPECT_EQ(s.record().watermarkImagePNG, bytes);
    EXPECT_EQ(s.watermarkLogoName(), "logo.png");
    model->setLogoStamp(logo);
    EXPECT_EQ(s.record().logoStampPNG, bytes);
    EXPECT_EQ(s.logoStampName(), "logo.png");
    EXPECT_TRUE(s.logoStampEnabled());
    model->clearLogo();
    model->clearLogoStamp();
    EXPECT_EQ(s.record(), ProcessingSettings{});
    EXPECT_EQ(order,
              (std::vector<std::string>{"watermarkImagePNGChanged", "watermarkLogoNameChanged", "logoStampPNGChanged",
                                        "logoStampNameChanged", "logoStampEnabledChanged", "watermarkImagePNGChanged",
                                        "watermarkLogoNameChanged", "logoStampPNGChanged", "logoStampNameChanged",
                                        "logoStampEnabledChanged"}));

    // Not a regular readable file of sane size: nothing changes.
    order.clear();
    ASSERT_EQ(mkfifo(dir.file("pipe.png").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.path() / "folder.png");
    { std::ofstream(dir.path() / "huge.png"); }
    std::filesystem::resize_file(dir.path() / "huge.png", std::uintmax_t{65} << 20);
    for (const char* name : {"pipe.png", "folder.png", "huge.png", "missing.png"}) {
        model->setLogo(url(dir.file(name)));
        model->setLogoStamp(url(dir.file(name)));
    }
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(s.record(), ProcessingSettings{});
}

} // namespace quelso::test
