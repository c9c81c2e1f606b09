#include "core/records/ImportIntentStore.h"

#include "core/records/ImportLedgerStore.h"
#include "core/support/CPUWork.h"
#include "core/support/CaptureLog.h"
#include "platform/DelayScheduler.h"
#include "platform/Paths.h"
#include "platform/SerialQueue.h"
#include "platform/WholeFileWrite.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace vantry {

namespace {

const QString intentsFileName = QStringLiteral("import-intents.json");

// Never destroyed: the exit handler drains the writer after static destructors may have run.
SerialQueue& writeQueue()
{
    static SerialQueue* queue =
        new SerialQueue(QStringLiteral("com.vantry.capture.import-intents.write"), SerialQueue::Priority::normal);
    return *queue;
}

ImportIntentStore*& storeInstance()
{
    static ImportIntentStore* store = nullptr;
    return store;
}

std::optional<QString> writeBytes(const QString& path, const QByteArray& bytes)
{
    QString error;
    if (writeWholeFile(path, bytes, &error))
        return std::nullopt;
    CaptureLog::log(QStringLiteral("import intents: failed to write, the file on disk is kept: ") + error);
    return error;
}

// A second name for a broken file (or a copy of it), so that rewriting its path loses nothing.
bool keepCopyAside(const QString& path, const QByteArray& bytes, QString* keptAt)
{
    const QString stem = path + QStringLiteral(".corrupt-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int attempt = 1; attempt < 100; ++attempt) {
        const QString target = attempt == 1 ? stem : stem + QStringLiteral("-%1").arg(attempt);
        if (::link(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) == 0 ||
            (errno != EEXIST && !QFileInfo::exists(target) && writeWholeFile(target, bytes, nullptr, mode_t(0600)))) {
            *keptAt = target;
            return true;
        }
        if (errno != EEXIST && !QFileInfo::exists(target))
            return false;
    }
    return false;
}

} // namespace

ImportIntentStore::ImportIntentStore() = default;

ImportIntentStore& ImportIntentStore::instance()
{
    ImportIntentStore*& store = storeInstance();
    if (!store) {
        store = new ImportIntentStore;
        static std::once_flag drainAtQuitInstalled;
        std::call_once(drainAtQuitInstalled, [] {
            if (QCoreApplication* app = QCoreApplication::instance())
                QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { drainAtQuit(); },
                                 Qt::DirectConnection);
            std::atexit([] { writeQueue().drain(); });
        });
    }
    return *store;
}

QString ImportIntentStore::fileURL() { return paths::appDataDir() + QLatin1Char('/') + intentsFileName; }

std::optional<QString> ImportIntentStore::ensureLoaded()
{
    const QString path = fileURL();
    if (loaded_ && loadedPath_ == path)
        return std::nullopt;
    // Another data folder (a test's home): what was known of the old one does not apply.
    intents_.clear();
    inFlight_.clear();
    loaded_ = false;
    QFile file(path);
    if (!file.exists()) {
        loaded_ = true;
        loadedPath_ = path;
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString();
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString();

    if (bytes.isEmpty()) {
        loaded_ = true;
        loadedPath_ = path;
        return std::nullopt;
    }
    if (auto list = ImportIntentList::decodeStrict(bytes)) {
        // An import call never went out for a reservation: nothing to hold.
        for (ImportIntent& intent : list->intents)
            if (intent.state != ImportIntent::State::reserved)
                intents_.push_back(std::move(intent));
    } else if (auto recovered = ImportIntentList::recover(bytes)) {
        // Each import keeps the keys that could be read of it; a state that cannot is held.
        qsizetype keys = 0;
        for (ImportIntent& intent : recovered->intents) {
            if (intent.state == ImportIntent::State::reserved)
                continue;
            keys += qsizetype(intent.keys.size());
            intents_.push_back(std::move(intent));
        }
        const QString held = QStringLiteral("%1 imports recovered, %2 keys held")
                                 .arg(QString::number(intents_.size()), QString::number(keys));
        QString keptAt;
        if (keepCopyAside(path, bytes, &keptAt)) {
            if (writeBytes(path, snapshot()))
                ::unlink(QFile::encodeName(keptAt).constData());
            else
                CaptureLog::log(QStringLiteral("import intents: %1 does not decode; moved aside to %2, %3")
                                    .arg(path, keptAt, held));
        } else {
            CaptureLog::log(QStringLiteral("import intents: %1 does not decode and no copy of it could be kept; "
                                           "%2, the file is left as it is")
                                .arg(path, held));
        }
    } else {
        // Nothing in it can be told apart from what was imported: taking it for empty could send
        // its cards again.
        return QStringLiteral("cannot read ") + path +
               QStringLiteral(": the file is damaged and no import's scans can be read from it");
    }
    loaded_ = true;
    loadedPath_ = path;
    if (!unrecorded().empty())
        scheduleRetry();
    return std::nullopt;
}

const ImportIntent* ImportIntentStore::find(const QUuid& id) const
{
    const auto it = std::find_if(intents_.begin(), intents_.end(), [&](const ImportIntent& i) { return i.id == id; });
    return it == intents_.end() ? nullptr : &*it;
}

ImportIntent* ImportIntentStore::findMutable(const QUuid& id) { return const_cast<ImportIntent*>(find(id)); }

const ImportIntent* ImportIntentStore::holding(const QString& key) const
{
    for (const ImportIntent& intent : intents_)
        if (std::find(intent.keys.begin(), intent.keys.end(), key) != intent.keys.end())
            return &intent;
    return nullptr;
}

QSet<QString> ImportIntentStore::keys() const
{
    QSet<QString> all;
    for (const ImportIntent& intent : intents_)
        for (const QString& key : intent.keys)
            all.insert(key);
    return all;
}

std::vector<ImportIntent> ImportIntentStore::held() const
{
    std::vector<ImportIntent> out;
    for (const ImportIntent& intent : intents_)
        if (intent.state == ImportIntent::State::sent && !inFlight_.contains(intent.id))
            out.push_back(intent);
    return out;
}

std::vector<ImportIntent> ImportIntentStore::unrecorded() const
{
    std::vector<ImportIntent> out;
    for (const ImportIntent& intent : intents_)
        if (intent.state == ImportIntent::State::imported)
            out.push_back(intent);
    return out;
}

QUuid ImportIntentStore::reserve(ImportIntent intent)
{
    if (intent.id.isNull())
        intent.id = QUuid::createUuid();
    intent.state = ImportIntent::State::reserved;
    if (!intent.createdAt.isValid())
        intent.createdAt = QDateTime::currentDateTimeUtc();
    const QUuid id = intent.id;
    intents_.push_back(std::move(intent));
    inFlight_.insert(id);
    emit changed();
    return id;
}

QCoro::Task<std::optional<QString>> ImportIntentStore::writeReservation(QUuid id)
{
    if (!find(id))
        co_return QStringLiteral("the import was settled meanwhile");
    const std::optional<QString> error = co_await persist();
    if (error) {
        remove(id);
        emit changed();
    }
    co_return error;
}

QCoro::Task<std::optional<QString>> ImportIntentStore::markSent(QUuid id, QString sessionId)
{
    ImportIntent* intent = findMutable(id);
    if (!intent)
        co_return QStringLiteral("the import was settled meanwhile");
    intent->sessionId = sessionId;
    intent->state = ImportIntent::State::sent;
    const std::optional<QString> error = co_await persist();
    if (error) {
        remove(id);
        emit changed();
    }
    co_return error;
}

void ImportIntentStore::markUnknown(const QUuid& id)
{
    if (inFlight_.remove(id))
        emit changed();
}

QCoro::Task<> ImportIntentStore::release(QUuid id)
{
    if (!find(id))
        co_return;
    remove(id);
    emit settled(id, false);
    emit changed();
    // A failure leaves the intent on disk: after a restart it is held again, which is safe.
    co_await persist();
}

QCoro::Task<std::optional<QString>> ImportIntentStore::settleImported(QUuid id)
{
    ImportIntent* intent = findMutable(id);
    if (!intent)
        co_return std::nullopt;
    inFlight_.remove(id);
    const bool wasRecorded = intent->state == ImportIntent::State::imported;
    intent->state = ImportIntent::State::imported;
    const std::vector<QString> keys = intent->keys;
    if (!wasRecorded)
        emit changed();
    // Best effort: should it fail, the file still says "sent", which a restart settles too.
    co_await persist();
    const std::optional<QString> error = co_await ImportLedgerStore::recordDurably(keys);
    if (error) {
        scheduleRetry();
        co_return error;
    }
    if (!find(id))
        co_return std::nullopt; // settled by another caller meanwhile
    remove(id);
    emit settled(id, true);
    emit changed();
    co_await persist();
    co_return std::nullopt;
}

bool ImportIntentStore::beginServiceCheck(const QUuid& id)
{
    if (checked_.contains(id))
        return false;
    checked_.insert(id);
    return true;
}

QCoro::Task<> ImportIntentStore::retryUnrecorded()
{
    for (const ImportIntent& intent : unrecorded())
        co_await settleImported(intent.id);
}

void ImportIntentStore::scheduleRetry()
{
    if (retryScheduled_)
        return;
    retryScheduled_ = true;
    DelayScheduler& scheduler = scheduler_ ? *scheduler_ : QtDelayScheduler::shared();
    scheduler.after(retryInterval, this, [this] {
        retryScheduled_ = false;
        retryUnrecorded();
    });
}

void ImportIntentStore::remove(const QUuid& id)
{
    inFlight_.remove(id);
    intents_.erase(std::remove_if(intents_.begin(), intents_.end(), [&](const ImportIntent& i) { return i.id == id; }),
                   intents_.end());
}

QByteArray ImportIntentStore::snapshot() const { return ImportIntentList{intents_}.encoded(); }

QCoro::Task<std::optional<QString>> ImportIntentStore::persist()
{
    auto write = [path = fileURL(), bytes = snapshot()] { return writeBytes(path, bytes); };
    co_return co_await CPUWork::runOn(writeQueue(), std::move(write));
}

void ImportIntentStore::drainAtQuit()
{
    writeQueue().drain();
    ImportIntentStore* store = storeInstance();
    const std::vector<ImportIntent> confirmed = store ? store->unrecorded() : std::vector<ImportIntent>{};
    for (const ImportIntent& intent : confirmed)
        ImportLedgerStore::record(intent.keys);
    ImportLedgerStore::drain();
    if (confirmed.empty() || ImportLedgerStore::hasUnwrittenKeys())
        return;
    // The ledger on disk holds every key of the confirmed imports: their intents may go.
    for (const ImportIntent& intent : confirmed)
        store->remove(intent.id);
    writeBytes(fileURL(), store->snapshot());
}

void ImportIntentStore::resetForTesting()
{
    writeQueue().drain();
    if (ImportIntentStore* store = storeInstance()) {
        store->loaded_ = false;
        store->intents_.clear();
        store->inFlight_.clear();
        store->checked_.clear();
        store->retryScheduled_ = false;
        store->scheduler_ = nullptr;
    }
}

} // namespace vantry
