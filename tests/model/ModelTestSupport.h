#pragma once
// What the model tests share: an event loop that waits for a condition, a notification
// service of our own on the private session bus, and a fixture that refuses to run
// outside the private session that scripts/test-services.sh starts.
#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "TestImages.h"
#include "TestSupport.h"
#include "model/AppModel.h"

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace quelso::test {

// Runs the event loop until done() holds or timeoutMs passes; returns done().
bool waitFor(const std::function<bool()>& done, int timeoutMs = 120000);
inline bool idle(AppModel& model) { return !model.isProcessing(); }
// Runs the event loop for a while (to show that something does not happen).
void settle(int ms = 300);

// Owns org.freedesktop.Notifications on its own connection to the session bus and records
// every Notify call, as a desktop's notification server would receive it.
class NotificationListener : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString appName, summary, body;
        QVariantMap hints;
    };

    NotificationListener();
    ~NotificationListener() override;
    QList<Call> calls;

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);

private:
    QDBusConnection bus_;
};

// Skips unless inside the private session; gives each test a scratch folder.
class ModelTest : public ::testing::Test {
protected:
    void SetUp() override;
    std::unique_ptr<AppModel> makeModel() const { return std::make_unique<AppModel>(); }
    // A copy of the shipped photo in the scratch folder.
    QUrl photo(const std::string& name) const;
    static QUrl url(const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)); }
    // The names in the scratch folder.
    std::set<std::string> files() const { return namesIn(dir.path()); }

    TempDir dir;
};

} // namespace quelso::test
