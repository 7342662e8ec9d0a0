#include "model/AppModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QThread>

#include "core/Parallel.h"
#include "model/Configuration.h"
#include "model/FileReveal.h"
#include "model/Notifier.h"
#include "model/ProcessJob.h"
#include "model/ThemeBytes.h"
#include "naming/ContentName.h"
#include "pipeline/WorkSplit.h"
#include "platform/Files.h"
#include "settings/InputExtensions.h"

namespace quelso {

namespace {

// Logos are small pictures; anything larger is not one and is not read into memory.
constexpr std::uint64_t kLogoReadLimit = std::uint64_t{64} << 20;

const QStringList kExtensions = [] {
    QStringList list;
    for (const std::string_view extension : InputExtensions::all)
        list.append(QString::fromLatin1(extension.data(), static_cast<qsizetype>(extension.size())));
    return list;
}();

QString plural(qsizetype n) {
    return QString::number(n) + (n == 1 ? QStringLiteral(" image") : QStringLiteral(" images"));
}

struct Logo {
    Bytes bytes;
    std::string name;
};

// The whole file and its name, when it is a regular readable file of sane size.
std::optional<Logo> readLogo(const QUrl& file) {
    if (!file.isLocalFile()) return std::nullopt;
    std::optional<Bytes> bytes = Files::read(file.toLocalFile().toStdString(), kLogoReadLimit);
    if (!bytes) return std::nullopt;
    return Logo{std::move(*bytes), file.fileName().toStdString()};
}

std::optional<std::uint64_t> seedFromEnvironment() {
    bool ok = false;
    const qulonglong seed = qEnvironmentVariable("QUELSO_TEST_SEED").toULongLong(&ok);
    return ok ? std::optional<std::uint64_t>(seed) : std::nullopt;
}

} // namespace

AppModel::AppModel(QObject* parent)
    : QObject(parent), notifier_(std::make_unique<Notifier>()), fixedSeed_(seedFromEnvironment()) {
    items_.setParent(this);
    settings_.setParent(this);
    queue_.setObjectName(QStringLiteral("com.quelso.process"));
    queue_.setThreadPriority(QThread::HighPriority);
    connect(&items_, &ItemListModel::countChanged, this, &AppModel::countChanged);
    connect(&items_, &ItemListModel::countChanged, this, &AppModel::pendingCountChanged);
    connect(&items_, &ItemListModel::statusesChanged, this, &AppModel::pendingCountChanged);
    connect(&settings_, &SettingsModel::edited, this, &AppModel::persistConfig);

    Configuration::load(settings_.recordForLoading());
    persistConfig();
}

AppModel::~AppModel() {
    // Jobs still queued bail at their first check; running ones finish before the model goes.
    cancelled_ = true;
    queue_.waitForDone();
}

int AppModel::pendingCount() const {
    const auto& list = items_.items();
    return static_cast<int>(
        std::count_if(list.begin(), list.end(), [](const ImageItemPtr& i) { return i->status() != ImageItem::Done; }));
}

QUrl AppModel::destination() const { return destination_ ? QUrl::fromLocalFile(*destination_) : QUrl(); }

QString AppModel::destinationName() const { return destination_ ? QFileInfo(*destination_).fileName() : QString(); }

QStringList AppModel::supportedExtensions() { return kExtensions; }

QString AppModel::keyTestText() const {
    switch (keyTest_) {
    case KeyTesting:
        return QStringLiteral("Testing\u2026");
    case KeyValid:
        return QStringLiteral("\u2713 Valid");
    case KeyFailed:
        return QStringLiteral("\u2717 Failed");
    default:
        return {};
    }
}

// Run control

void AppModel::processAll() {
    cancelled_ = false;
    const QList<ImageItemPtr> snapshot = items_.items();
    QList<ImageItemPtr> due;
    for (const ImageItemPtr& item : snapshot)
        if (item->status() != ImageItem::Processing) due.append(item);
    shareCores(static_cast<int>(due.size()));
    for (const ImageItemPtr& item : due) process(item);
}

void AppModel::process(const QString& itemId) {
    if (const ImageItemPtr item = items_.find(itemId)) {
        shareCores(1);
        process(item);
    }
}

void AppModel::shareCores(int batch) {
    // Only between runs: the pipeline sizes per-range storage by its worker count, so the
    // count must not change under a running item.
    if (jobsOutstanding_ > 0) return;
    const WorkSplit::Split split = WorkSplit::choose(QThread::idealThreadCount(), batch);
    queue_.setMaxThreadCount(split.concurrentItems);
    setWorkerCount(split.pipelineWorkers);
}

void AppModel::process(const ImageItemPtr& item) {
    cancelled_ = false;
    item->setStatus(ImageItem::Processing);
    refreshBusy();
    JobOrder order{item->url().toLocalFile().toStdString(), settings_.record(),
                   destination_ ? std::optional<std::string>(destination_->toStdString()) : std::nullopt, fixedSeed_};
    ++jobsOutstanding_;
    queue_.start([this, item, order = std::move(order)] {
        const JobOutcome outcome = runJob(order, cancelled_);
        // Queued calls run on the main thread in the order they were posted: the item's
        // final state is applied before the busy flag is recomputed.
        QMetaObject::invokeMethod(
            this, [this, item, outcome] { apply(item, outcome); }, Qt::QueuedConnection);
        QMetaObject::invokeMethod(
            this,
            [this] {
                --jobsOutstanding_;
                refreshBusy();
            },
            Qt::QueuedConnection);
    });
}

void AppModel::apply(const ImageItemPtr& item, const JobOutcome& outcome) {
    switch (outcome.kind) {
    case JobOutcome::Stopped:
        if (item->status() == ImageItem::Processing) item->setStatus(ImageItem::Ready);
        break;
    case JobOutcome::Failed:
        fail(item, outcome.message);
        break;
    case JobOutcome::Written:
        item->setResults(outcome.percentChanged, outcome.watermarked,
                         QUrl::fromLocalFile(QString::fromStdString(outcome.outputPath)), outcome.outputBytes);
        item->setStatus(ImageItem::Done);
        break;
    }
}

void AppModel::stopAll() {
    cancelled_ = true;
    for (const ImageItemPtr& item : items_.items())
        if (item->status() == ImageItem::Processing) item->setStatus(ImageItem::Ready);
    setProcessing(false);
}

void AppModel::refreshBusy() {
    const auto& list = items_.items();
    const bool busy = std::any_of(list.begin(), list.end(),
                                  [](const ImageItemPtr& i) { return i->status() == ImageItem::Processing; });
    if (!busy && isProcessing_) runFinished();
    setProcessing(busy);
}

void AppModel::setProcessing(bool busy) {
    if (busy == isProcessing_) return;
    isProcessing_ = busy;
    emit isProcessingChanged();
}

void AppModel::runFinished() {
    const auto& list = items_.items();
    const auto done =
        std::count_if(list.begin(), list.end(), [](const ImageItemPtr& i) { return i->status() == ImageItem::Done; });
    if (done >= 1 && settings_.record().notifyOnComplete)
        notifier_->notify(settings_.record(), plural(done) + QStringLiteral(" ready"), Notifier::Sound::Glass);
}

void AppModel::fail(const ImageItemPtr& item, const QString& message) {
    item->setStatus(ImageItem::Failed, message);
    if (settings_.record().notifyOnError)
        notifier_->notify(settings_.record(), item->fileName() + QStringLiteral(": ") + message, Notifier::Sound::Funk);
}

void AppModel::remove(const QString& itemId) {
    if (const ImageItemPtr item = items_.find(itemId)) items_.removeId(item->id());
}

void AppModel::removeAll() { items_.clear(); }

// Intake

void AppModel::addFiles(const QList<QUrl>& urls) {
    QList<ImageItemPtr> added;
    for (const QUrl& url : urls)
        if (kExtensions.contains(QFileInfo(url.path()).suffix().toLower())) added.append(ImageItem::create(url));
    items_.append(added);
    if (!added.isEmpty() && settings_.record().notifyOnImport)
        notifier_->notify(settings_.record(), QStringLiteral("Added ") + plural(added.size()), Notifier::Sound::Glass);
}

void AppModel::addUrls(const QList<QUrl>& urls) {
    QList<QUrl> files;
    for (const QUrl& url : urls)
        if (url.isLocalFile()) files.append(url);
    addFiles(files);
}

void AppModel::addLaunchArguments(const QStringList& arguments) {
    QList<QUrl> urls;
    for (const QString& argument : arguments) {
        const QUrl url(argument);
        urls.append(url.isLocalFile() ? url : QUrl::fromLocalFile(QFileInfo(argument).absoluteFilePath()));
    }
    addFiles(urls);
}

// Panels

void AppModel::setDestination(const QUrl& folder) {
    const std::optional<QString> chosen =
        folder.isLocalFile() ? std::optional<QString>(QDir::cleanPath(folder.toLocalFile())) : std::nullopt;
    if (chosen == destination_) return;
    destination_ = chosen;
    emit destinationChanged();
}

void AppModel::clearDestination() { setDestination({}); }

void AppModel::setLogo(const QUrl& file) {
    if (auto logo = readLogo(file)) {
        settings_.setWatermarkImagePNG(std::move(logo->bytes));
        settings_.setWatermarkLogoName(std::move(logo->name));
    }
}

void AppModel::clearLogo() {
    settings_.setWatermarkImagePNG(std::nullopt);
    settings_.setWatermarkLogoName(std::nullopt);
}

void AppModel::setLogoStamp(const QUrl& file) {
    if (auto logo = readLogo(file)) {
        settings_.setLogoStampPNG(std::move(logo->bytes));
        settings_.setLogoStampName(std::move(logo->name));
        settings_.setLogoStampEnabled(true);
    }
}

void AppModel::clearLogoStamp() {
    settings_.setLogoStampPNG(std::nullopt);
    settings_.setLogoStampName(std::nullopt);
    settings_.setLogoStampEnabled(false);
}

// Services

void AppModel::reveal(const QString& itemId) {
    const ImageItemPtr item = items_.find(itemId);
    if (item && !item->outputUrl().isEmpty()) FileReveal::show(item->outputUrl().toLocalFile());
}

void AppModel::testKey() {
    keyTest_ = KeyTesting;
    emit keyTestChanged();
    const ProcessingSettings& s = settings_.record();
    const QPointer<AppModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, provider = s.renameProvider, key = s.aiAPIKey, model = s.aiModel, base = s.aiBaseURL] {
            const bool valid = AIVision::testKey(provider, key, model, base);
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, valid] {
                    if (!self) return;
                    self->keyTest_ = valid ? KeyValid : KeyFailed;
                    emit self->keyTestChanged();
                },
                Qt::QueuedConnection);
        });
}

void AppModel::persistConfig() { Configuration::save(settings_.record()); }

QString AppModel::bytes(qint64 n) { return Theme::bytes(n); }

} // namespace quelso
