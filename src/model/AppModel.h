#pragma once
// The desktop application's one model: the queue of images, the settings every run uses,
// the optional destination folder and the run control. All of it lives on the main
// thread; each item runs as one job on the "com.quelso.process" pool and sends every
// change back to the main thread as a queued call.
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QUrl>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "model/ImageItem.h"
#include "model/ItemListModel.h"
#include "model/SettingsModel.h"

namespace quelso {

class Notifier;
struct JobOutcome;

class AppModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(quelso::ItemListModel* items READ items CONSTANT)
    Q_PROPERTY(quelso::SettingsModel* settings READ settings CONSTANT)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(bool canRun READ canRun NOTIFY countChanged)
    Q_PROPERTY(int pendingCount READ pendingCount NOTIFY pendingCountChanged)
    Q_PROPERTY(bool isProcessing READ isProcessing NOTIFY isProcessingChanged)
    // Empty while outputs go next to their sources.
    Q_PROPERTY(QUrl destination READ destination NOTIFY destinationChanged)
    Q_PROPERTY(QString destinationName READ destinationName NOTIFY destinationChanged)
    Q_PROPERTY(QStringList supportedExtensions READ supportedExtensions CONSTANT)
    Q_PROPERTY(KeyTestState keyTestState READ keyTestState NOTIFY keyTestChanged)
    Q_PROPERTY(QString keyTestText READ keyTestText NOTIFY keyTestChanged)

public:
    enum KeyTestState { KeyUntested, KeyTesting, KeyValid, KeyFailed };
    Q_ENUM(KeyTestState)

    // Loads the saved configuration (and moves a key left in the config file into the
    // key store). QUELSO_TEST_SEED, when set to a number, fixes every item's seed: tests
    // use it to compare the model's output with the command line's.
    explicit AppModel(QObject* parent = nullptr);
    ~AppModel() override;

    ItemListModel* items() { return &items_; }
    SettingsModel* settings() { return &settings_; }
    int count() const { return items_.count(); }
    bool canRun() const { return items_.count() > 0; }
    int pendingCount() const;
    bool isProcessing() const { return isProcessing_; }
    QUrl destination() const;
    QString destinationName() const;
    static QStringList supportedExtensions();
    KeyTestState keyTestState() const { return keyTest_; }
    QString keyTestText() const;

    // Runs every item that is not processing (done items again, under a new name).
    Q_INVOKABLE void processAll();
    Q_INVOKABLE void process(const QString& itemId);
    // Stops the run: processing items turn ready at once, running jobs drop their results.
    Q_INVOKABLE void stopAll();
    // Work already running for a removed item still finishes and writes its file.
    Q_INVOKABLE void remove(const QString& itemId);
    Q_INVOKABLE void removeAll();

    // Files chosen in the open panel: those with a supported extension, in order.
    Q_INVOKABLE void addFiles(const QList<QUrl>& urls);
    // A drop on the list: the local files among the URLs, in the order they arrived.
    Q_INVOKABLE void addUrls(const QList<QUrl>& urls);
    // Files named on the command line after the program name (paths or file: URLs).
    void addLaunchArguments(const QStringList& arguments);

    Q_INVOKABLE void setDestination(const QUrl& folder);
    Q_INVOKABLE void clearDestination();
    // Logo pictures: the file's bytes, then its name (and, for the stamp, switched on).
    // A file that is not a regular readable file of sane size changes nothing.
    Q_INVOKABLE void setLogo(const QUrl& file);
    Q_INVOKABLE void clearLogo();
    Q_INVOKABLE void setLogoStamp(const QUrl& file);
    Q_INVOKABLE void clearLogoStamp();

    // Shows the item's output in the file manager; nothing when it has none.
    Q_INVOKABLE void reveal(const QString& itemId);
    // Checks the AI key in the background; keyTestState/keyTestText follow.
    Q_INVOKABLE void testKey();
    // Saves provider, model and base URL, and the key to the key store.
    Q_INVOKABLE void persistConfig();
    // The list's size text for a byte count ("412 KB").
    Q_INVOKABLE static QString bytes(qint64 n);

    Notifier& notifier() { return *notifier_; }

signals:
    void countChanged();
    void pendingCountChanged();
    void isProcessingChanged();
    void destinationChanged();
    void keyTestChanged();

private:
    void process(const ImageItemPtr& item);
    void apply(const ImageItemPtr& item, const JobOutcome& outcome);
    void refreshBusy();
    void runFinished();
    void fail(const ImageItemPtr& item, const QString& message);
    void setProcessing(bool busy);
    void shareCores(int batch);

    ItemListModel items_;
    SettingsModel settings_;
    std::optional<QString> destination_;
    bool isProcessing_ = false;
    std::atomic<bool> cancelled_{false};
    std::unique_ptr<Notifier> notifier_;
    std::optional<std::uint64_t> fixedSeed_;
    KeyTestState keyTest_ = KeyUntested;
    int jobsOutstanding_ = 0;
    QThreadPool queue_;
};

} // namespace quelso
