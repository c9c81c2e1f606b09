#include "core/records/ImportLedgerStore.h"

#include "core/support/CPUWork.h"
#include "core/support/CaptureLog.h"
#include "platform/SerialQueue.h"
#include "platform/FileMove.h"
#include "platform/Paths.h"
#include "platform/WholeFileWrite.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <utility>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantry {

namespace {

const QString ledgerFileName = QStringLiteral("imported-scans.json");

struct LedgerState {
    std::mutex cacheLock;
    std::optional<ImportLedger> cachedLedger;
    std::mutex hookLock;
    std::function<void()> writeHook;
    std::once_flag terminateDrain;
    std::atomic<bool> writeFailed{false};
    // Keys recorded while the file could not be read; they join the cache once it loads.
    ImportLedger unloadedKeys;
    SerialQueue writeQueue{QStringLiteral("com.vantry.capture.import-ledger.write"), SerialQueue::Priority::lowered};
};

// Never destroyed: the exit handler drains the writer after static destructors may have run.
LedgerState& state()
{
    static LedgerState* s = new LedgerState;
    return *s;
}

// What the file on disk holds, as far as a reader can tell.
struct DiskRead {
    enum class Kind { missing, ledger, unreadable, corrupt } kind = Kind::missing;
    ImportLedger ledger; // decoded, or what was salvaged from a corrupt file
    QString reason;
};

DiskRead readDisk(const QString& path)
{
    DiskRead result;
    QFile file(path);
    if (!file.exists())
        return result;
    if (!file.open(QIODevice::ReadOnly)) {
        result.kind = DiskRead::Kind::unreadable;
        result.reason = file.errorString();
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.kind = DiskRead::Kind::unreadable;
        result.reason = file.errorString();
        return result;
    }
    // An empty file holds nothing worth keeping.
    if (bytes.isEmpty()) {
        result.kind = DiskRead::Kind::ledger;
        return result;
    }
    if (auto ledger = ImportLedger::decodeStrict(bytes)) {
        result.kind = DiskRead::Kind::ledger;
        result.ledger = std::move(*ledger);
        return result;
    }
    result.kind = DiskRead::Kind::corrupt;
    result.ledger = ImportLedger::salvage(bytes);
    return result;
}

// Keeps the bytes of an undecodable ledger beside it under a name not taken yet: a second
// name for the same file (no space needed), or else a copy. The ledger path itself is left as
// it is, so that it never holds less than the broken file until the recovered keys replace it.
bool keepCopyAside(const QString& path, QString* keptAt, QString* error)
{
    const QString stem = path + QStringLiteral(".corrupt-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QByteArray source = QFile::encodeName(path);
    for (int attempt = 1; attempt < 100; ++attempt) {
        const QString target = attempt == 1 ? stem : stem + QStringLiteral("-%1").arg(attempt);
        const QByteArray name = QFile::encodeName(target);
        if (::link(source.constData(), name.constData()) == 0) {
            *keptAt = target;
            return true;
        }
        if (errno == EEXIST)
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = file.errorString();
            return false;
        }
        if (QFileInfo::exists(target))
            continue;
        if (!writeWholeFile(target, file.readAll(), error, mode_t(0600)))
            return false;
        *keptAt = target;
        return true;
    }
    *error = QStringLiteral("no free name beside it");
    return false;
}

// Replaces an undecodable ledger with `bytes` (its recovered keys, or more), keeping the
// broken file beside it. False when the file stays as it was.
bool replaceCorruptFile(const QString& path, const QByteArray& bytes, qsizetype recovered)
{
    QString keptAt;
    QString error;
    if (!keepCopyAside(path, &keptAt, &error)) {
        CaptureLog::log(QStringLiteral("import ledger: %1 does not decode and no copy of it could be kept (%2); "
                                       "it is left as it is and not rewritten")
                            .arg(path, error));
        return false;
    }
    if (bytes.isEmpty() || !writeWholeFile(path, bytes, &error)) {
        ::unlink(QFile::encodeName(keptAt).constData());
        CaptureLog::log(QStringLiteral("import ledger: %1 does not decode and its %2 recovered keys could not be "
                                       "written (%3); it is left as it is")
                            .arg(path, QString::number(recovered), error));
        return false;
    }
    CaptureLog::log(QStringLiteral("import ledger: %1 does not decode; moved aside to %2, %3 keys recovered")
                        .arg(path, keptAt, QString::number(recovered)));
    return true;
}

void scheduleWrite();
void installTerminateDrain();

// Serialises read-merge-write between processes sharing the data folder.
class FolderLock {
public:
    explicit FolderLock(const QString& ledgerPath)
    {
        const QByteArray name = QFile::encodeName(ledgerPath + QStringLiteral(".lock"));
        fd_ = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0)
            ::flock(fd_, LOCK_EX);
    }
    ~FolderLock()
    {
        if (fd_ >= 0)
            ::close(fd_); // releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

// The cache, loaded on first use; none while the file cannot be read. The caller holds the
// cache lock.
ImportLedger* loadedCache(QString* error)
{
    LedgerState& s = state();
    if (s.cachedLedger)
        return &*s.cachedLedger;
    const QString path = ImportLedgerStore::fileURL();
    DiskRead read = readDisk(path);
    if (read.kind == DiskRead::Kind::unreadable) {
        CaptureLog::log(QStringLiteral("import ledger: cannot read %1: %2").arg(path, read.reason));
        if (error)
            *error = QStringLiteral("cannot read ") + path + QStringLiteral(": ") + read.reason;
        return nullptr;
    }
    if (read.kind == DiskRead::Kind::corrupt) {
        // Under the folder lock: a writer of another process must not come between.
        FolderLock folderLock(path);
        if (!replaceCorruptFile(path, read.ledger.encoded(), read.ledger.imported.size()))
            s.writeFailed = true; // the recovered keys are in memory only; a later write retries
    }
    s.cachedLedger = std::move(read.ledger);
    s.cachedLedger->record(std::exchange(s.unloadedKeys, {}).imported);
    return &*s.cachedLedger;
}

// Writes the cache merged with the file on disk; none, or why the keys are not on disk.
std::optional<QString> writeJob()
{
    LedgerState& s = state();
    {
        std::lock_guard lock(s.hookLock);
        if (s.writeHook)
            s.writeHook();
    }
    auto fail = [&s](const QString& why) -> std::optional<QString> {
        s.writeFailed = true;
        return why;
    };
    {
        std::lock_guard lock(s.cacheLock);
        QString error;
        if (!s.cachedLedger && s.unloadedKeys.imported.isEmpty())
            return std::nullopt;
        if (!loadedCache(&error))
            return fail(error);
    }
    const QString path = ImportLedgerStore::fileURL();
    FolderLock folderLock(path);

    const DiskRead disk = readDisk(path);
    if (disk.kind == DiskRead::Kind::unreadable) {
        CaptureLog::log(QStringLiteral("import ledger: cannot read %1 before writing (%2); not written").arg(path, disk.reason));
        return fail(QStringLiteral("cannot read ") + path + QStringLiteral(": ") + disk.reason);
    }

    ImportLedger snapshot;
    {
        std::lock_guard lock(s.cacheLock);
        if (!s.cachedLedger)
            return std::nullopt;
        // Keys another process wrote since our load count for lookups here too.
        s.cachedLedger->record(disk.ledger.imported);
        snapshot = *s.cachedLedger;
    }

    // The snapshot holds every key on disk, so the write only ever adds; bytes that are empty
    // (an encoding failure) must not take the place of a ledger.
    const QByteArray bytes = snapshot.encoded();
    if (disk.kind == DiskRead::Kind::corrupt) {
        if (!replaceCorruptFile(path, bytes, disk.ledger.imported.size()))
            return fail(path + QStringLiteral(" does not decode and could not be rewritten"));
        s.writeFailed = false;
        return std::nullopt;
    }
    QString error = QStringLiteral("the ledger encodes to nothing");
    if (bytes.isEmpty() || !writeWholeFile(path, bytes, &error)) {
        CaptureLog::log(QStringLiteral("import ledger: failed to write, the file on disk is kept: ") + error);
        return fail(error);
    }
    s.writeFailed = false;
    return std::nullopt;
}

void scheduleWrite() { state().writeQueue.submit([] { writeJob(); }); }

void installTerminateDrain()
{
    std::call_once(state().terminateDrain, [] {
        if (QCoreApplication* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { ImportLedgerStore::drain(); },
                             Qt::DirectConnection);
        std::atexit([] { ImportLedgerStore::drain(); });
    });
}

} // namespace

QString ImportLedgerStore::fileURL() { return paths::appDataDir() + QLatin1Char('/') + ledgerFileName; }

void ImportLedgerStore::record(const std::vector<QString>& keys)
{
    installTerminateDrain();
    LedgerState& s = state();
    {
        std::lock_guard lock(s.cacheLock);
        if (ImportLedger* cache = loadedCache(nullptr))
            cache->record(keys);
        else
            s.unloadedKeys.record(keys); // written once the file can be read again
    }
    scheduleWrite();
}

QCoro::Task<std::optional<QString>> ImportLedgerStore::recordDurably(std::vector<QString> keys)
{
    installTerminateDrain();
    LedgerState& s = state();
    // The first load may read the file: off the main thread, on the writer that writes it next.
    auto addKeys = [keys = std::move(keys)]() -> std::optional<QString> {
        LedgerState& s = state();
        QString error;
        {
            std::lock_guard lock(s.cacheLock);
            ImportLedger* cache = loadedCache(&error);
            if (!cache)
                return error;
            cache->record(keys);
        }
        return writeJob();
    };
    co_return co_await CPUWork::runOn(s.writeQueue, std::move(addKeys));
}

std::optional<ImportLedger> ImportLedgerStore::tryLoad(QString* error)
{
    LedgerState& s = state();
    std::lock_guard lock(s.cacheLock);
    if (const ImportLedger* cache = loadedCache(error))
        return *cache;
    return std::nullopt;
}

ImportLedger ImportLedgerStore::load() { return tryLoad().value_or(ImportLedger{}); }

bool ImportLedgerStore::hasUnwrittenKeys() { return state().writeFailed; }

void ImportLedgerStore::retryFailedWrite()
{
    if (state().writeFailed)
        scheduleWrite();
}

std::optional<QString> ImportLedgerStore::hash(const QString& path)
{
    // Only regular files (or links to them): opening a pipe would block the worker for good.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Streamed rather than mapped: a scan file cut short while it is read must fail the
    // read, not crash the process.
    QCryptographicHash hasher(QCryptographicHash::Sha256);
    if (!hasher.addData(&file) || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return QString::fromLatin1(hasher.result().toHex());
}

void ImportLedgerStore::drain()
{
    LedgerState& s = state();
    s.writeQueue.drain();
    // One more try at quit: the disk may have room again.
    if (s.writeFailed) {
        scheduleWrite();
        s.writeQueue.drain();
    }
}

void ImportLedgerStore::resetForTesting()
{
    LedgerState& s = state();
    s.writeQueue.drain();
    std::lock_guard lock(s.cacheLock);
    s.cachedLedger.reset();
    s.unloadedKeys = {};
    s.writeFailed = false;
}

void ImportLedgerStore::setWriteHookForTesting(std::function<void()> hook)
{
    LedgerState& s = state();
    std::lock_guard lock(s.hookLock);
    s.writeHook = std::move(hook);
}

} // namespace vantry
