// Whole batches: a stop in the middle of real photos, many jobs aiming at one content
// name, and the model's output against the command line's for the same seed.
#include <set>

#include "ModelTestSupport.h"
#include "naming/NamingPictures.h"
#include "pipeline/ImageLoader.h"

namespace quelso::test {

class BatchTest : public ModelTest {};

TEST_F(BatchTest, AStopInTheMiddleWritesNothingMoreAndAnnouncesNothing) {
    // Eight 6-megapixel photos: each takes far longer than the moment before the stop.
    const std::string big = dir.file("big0.jpg");
    ASSERT_EQ(run({"vips", "resize", samplePath("harbour.jpg"), big + "[Q=90]", "1.875"}).exitCode, 0);
    QList<QUrl> urls{url(big)};
    for (int i = 1; i < 8; ++i) {
        const std::string copy = dir.file("big" + std::to_string(i) + ".jpg");
        std::filesystem::copy_file(big, copy);
        urls.append(url(copy));
    }
    const std::set<std::string> inputs = files();

    NotificationListener listener;
    auto model = makeModel();
    model->settings()->setSmartRename(false);
    model->addFiles(urls);
    model->processAll();
    settle(300);
    model->stopAll();
    EXPECT_FALSE(model->isProcessing());
    for (const ImageItemPtr& item : model->items()->items()) EXPECT_EQ(item->status(), ImageItem::Ready);
    EXPECT_EQ(model->pendingCount(), 8);

    settle(1000);
    model.reset(); // waits for the jobs that were running to finish
    settle();
    EXPECT_TRUE(listener.calls.isEmpty());
    EXPECT_EQ(files(), inputs); // no output, no temporary file
}

TEST_F(BatchTest, FiftyJobsAimingAtOneContentNameWriteFiftyWholeFilesBesideTheOldOne) {
    const PixelImage page = pictures::textPage({"CAT SOFA"}, 48, 480, 160);
    ASSERT_TRUE(writeImage(dir.file("c00.png"), page.rgba, 480, 160, 4));
    QList<QUrl> urls{url(dir.file("c00.png"))};
    for (int i = 1; i < 50; ++i) {
        const std::string copy = dir.file("c" + std::to_string(i / 10) + std::to_string(i % 10) + ".png");
        std::filesystem::copy_file(dir.file("c00.png"), copy);
        urls.append(url(copy));
    }
    const std::filesystem::path out = dir.path() / "out";
    std::filesystem::create_directory(out);
    writeFile(out / "cat-sofa.webp", std::string("written earlier"));

    auto model = makeModel();
    model->setDestination(url(out.string()));
    model->addFiles(urls);
    model->processAll();
    ASSERT_TRUE(waitFor([&] { return idle(*model); }, 280000));

    std::set<std::string> expected{"cat-sofa.webp"};
    for (int n = 2; n <= 51; ++n) expected.insert("cat-sofa-" + std::to_string(n) + ".webp");
    EXPECT_EQ(namesIn(out), expected);
    EXPECT_EQ(readFile(out / "cat-sofa.webp"),
              (Bytes{'w', 'r', 'i', 't', 't', 'e', 'n', ' ', 'e', 'a', 'r', 'l', 'i', 'e', 'r'}));
    std::set<QUrl> outputs;
    for (const ImageItemPtr& item : model->items()->items()) {
        ASSERT_EQ(item->status(), ImageItem::Done) << item->statusMessage().toStdString();
        const std::string path = item->outputUrl().toLocalFile().toStdString();
        EXPECT_EQ(item->outputBytes(), static_cast<qint64>(std::filesystem::file_size(path)));
        const auto decoded = ImageLoader::load(path);
        ASSERT_TRUE(decoded) << path;
        EXPECT_EQ(decoded->width, 480);
        outputs.insert(item->outputUrl());
    }
    EXPECT_EQ(outputs.size(), 50u);
}

TEST_F(BatchTest, TheModelWritesTheCommandLinesBytesForTheSameSeed) {
    qputenv("QUELSO_TEST_SEED", "9876543210123");
    auto model = makeModel();
    SettingsModel& s = *model->settings();
    s.setSmartRename(false);
    model->addFiles({photo("p.jpg")});
    const QString itemId = model->items()->items()[0]->itemId();
    struct Case {
        std::vector<std::string> options;
        std::function<void()> apply;
        std::string name;
    };
    const Case cases[] = {
        // The command line's own defaults: colour shift and the invisible watermark on.
        {{"--text", "parity", "--noise", "3", "--warp", "0.4", "--grain", "0.5"},
         [&] {
             s.setColorShift(true);
             s.setInvisible(true);
             s.setWatermarkText("parity");
             s.setNoiseEnabled(true);
             s.setNoiseStrength(3);
             s.setWarpEnabled(true);
             s.setWarpIntensity(0.4);
             s.setGrainEnabled(true);
             s.setGrainIntensity(0.5);
         },
         "p-unique.webp"},
        {{"--format", "jpeg", "--quality", "80", "--no-invisible", "--motion", "0.3", "--motion-angle", "30",
          "--micro"},
         [&] {
             s.setOutputFormat(SettingsModel::Jpeg);
             s.setQuality(80);
             s.setInvisible(false);
             s.setMotionBlurEnabled(true);
             s.setMotionBlurIntensity(0.3);
             s.setMotionBlurAngle(30);
             s.setMicroGeometry(true);
         },
         "p-unique.jpg"},
    };
    // The model keeps its settings from case to case; the command line gets every option so far.
    std::vector<std::string> options;
    for (const Case& c : cases) {
        c.apply();
        options.insert(options.end(), c.options.begin(), c.options.end());
        model->process(itemId);
        ASSERT_TRUE(waitFor([&] { return idle(*model); }));
        std::vector<std::string> args{"--cli",         "--in",   dir.file("p.jpg"), "--out",
                                      dir.file("cli"), "--seed", "9876543210123",   "--no-rename"};
        args.insert(args.end(), options.begin(), options.end());
        ASSERT_EQ(mottler(args).exitCode, 0);
        const Bytes cli = readFile(dir.path() / "cli");
        EXPECT_GT(cli.size(), 1000u);
        EXPECT_TRUE(readFile(dir.path() / c.name) == cli) << c.name;
    }
}

} // namespace quelso::test
