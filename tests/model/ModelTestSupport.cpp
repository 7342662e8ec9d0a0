#include "ModelTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace quelso::test {

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void settle(int ms) {
    waitFor([] { return false; }, ms);
}

NotificationListener::NotificationListener()
    : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("notification-listener"))) {
    bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this, QDBusConnection::ExportAllSlots);
    EXPECT_TRUE(bus_.registerService(QStringLiteral("org.freedesktop.Notifications")));
}

NotificationListener::~NotificationListener() {
    bus_.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("notification-listener"));
}

uint NotificationListener::Notify(const QString& appName, uint, const QString&, const QString& summary,
                                  const QString& body, const QStringList&, const QVariantMap& hints, int) {
    calls.append({appName, summary, body, hints});
    return static_cast<uint>(calls.size());
}

void ModelTest::SetUp() {
    if (!env("QUELSO_PRIVATE_SESSION")) GTEST_SKIP() << "needs the private session of scripts/test-services.sh";
}

QUrl ModelTest::photo(const std::string& name) const {
    std::filesystem::copy_file(samplePath("harbour.jpg"), dir.path() / name);
    return url(dir.file(name));
}

} // namespace quelso::test

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
