// Which route a notice takes, and what reaches the notification service.
#include <QSignalSpy>

#include "ModelTestSupport.h"
#include "model/Notifier.h"

namespace quelso::test {

class NoticeTest : public ModelTest {
protected:
    ProcessingSettings switches(bool banner, bool sound) const {
        ProcessingSettings s;
        s.notifyBanner = banner;
        s.notifySound = sound;
        return s;
    }
};

TEST_F(NoticeTest, BannersGoToTheNotificationServiceOtherwiseTheFallbackSoundPlays) {
    Notifier notifier;
    QSignalSpy sounds(&notifier, &Notifier::soundRequested);
    // No notification service on this bus (and none that could be started): sound route.
    // Without a sound server the sound is simply not heard.
    notifier.notify(switches(true, true), QStringLiteral("x"), Notifier::Sound::Funk);
    notifier.notify(switches(true, false), QStringLiteral("x"), Notifier::Sound::Funk);
    ASSERT_TRUE(waitFor([&] { return sounds.count() == 1; }));
    EXPECT_EQ(sounds[0][0].toString(), "dialog-error");

    NotificationListener listener;
    notifier.notify(switches(true, true), QStringLiteral("2 images ready"), Notifier::Sound::Glass);
    notifier.notify(switches(true, false), QStringLiteral("a.jpg: Encode failed"), Notifier::Sound::Funk);
    notifier.notify(switches(false, true), QStringLiteral("x"), Notifier::Sound::Glass);
    notifier.notify(switches(false, false), QStringLiteral("x"), Notifier::Sound::Glass);
    ASSERT_TRUE(waitFor([&] { return listener.calls.size() == 2; }));
    settle();
    ASSERT_EQ(listener.calls.size(), 2);
    EXPECT_EQ(listener.calls[0].appName, "Quelso");
    EXPECT_EQ(listener.calls[0].summary, "Quelso");
    EXPECT_EQ(listener.calls[0].body, "2 images ready");
    EXPECT_EQ(listener.calls[0].hints.value("sound-name").toString(), "message-new-instant");
    EXPECT_FALSE(listener.calls[0].hints.contains("suppress-sound"));
    EXPECT_EQ(listener.calls[1].body, "a.jpg: Encode failed");
    EXPECT_TRUE(listener.calls[1].hints.value("suppress-sound").toBool());
    EXPECT_FALSE(listener.calls[1].hints.contains("sound-name"));
    // With the service there, only the notice without a banner falls back to a sound.
    ASSERT_EQ(sounds.count(), 2);
    EXPECT_EQ(sounds[1][0].toString(), "complete");
}

TEST_F(NoticeTest, TheModelRaisesErrorAndCompletionNoticesAsItsSwitchesSay) {
    auto model = makeModel();
    QSignalSpy sounds(&model->notifier(), &Notifier::soundRequested);
    model->settings()->setSmartRename(false);
    model->settings()->setNotifyBanner(false);
    model->addFiles({photo("ok.jpg"), url(dir.file("missing.jpg"))});
    model->processAll();
    ASSERT_TRUE(waitFor([&] { return idle(*model); }));
    ASSERT_EQ(sounds.count(), 2);
    EXPECT_EQ(sounds[0][0].toString(), "dialog-error"); // the failure comes first
    EXPECT_EQ(sounds[1][0].toString(), "complete");

    model->settings()->setNotifyOnError(false);
    model->settings()->setNotifyOnComplete(false);
    model->processAll();
    ASSERT_TRUE(waitFor([&] { return idle(*model); }));
    EXPECT_EQ(sounds.count(), 2);
}

} // namespace quelso::test
