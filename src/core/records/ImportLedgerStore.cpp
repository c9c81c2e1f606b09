#include "core/records/ImportLedgerStore.h"

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

#include <cstdlib>
#include <fcntl.h>
#include <mutex>
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

// Moves an undecodable ledger out of the way under a name that is not taken yet.
bool moveAside(const QString& path, QString* movedTo, QString* error)
{
    const QString stem = path + QStringLiteral(".corrupt-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int attempt = 1; attempt < 100; ++attempt) {
        const QString target = attempt == 1 ? stem : stem + QStringLiteral("-%1").arg(attempt);
        if (moveWithoutReplacing(path, target, error)) {
            *movedTo = target;
            return true;
        }
        if (QFileInfo::exists(path) && QFileInfo::exists(target))
            continue;
        return false;
    }
    return false;
}

// Handles a corrupt file found on disk; false when it could not be moved aside, in
// which case nothing may be written over it.
bool setCorruptFileAside(const QString& path, const DiskRead& read)
{
    QString movedTo;
    QString error;
    if (!moveAside(path, &movedTo, &error)) {
        CaptureLog::log(QStringLiteral("import ledger: %1 does not decode and could not be moved aside (%2); "
                                       "it is left as it is and not rewritten")
                            .arg(path, error));
        return false;
    }
    CaptureLog::log(QStringLiteral("import ledger: %1 does not decode; moved aside to %2, %3 keys recovered")
                        .arg(path, movedTo, QString::number(read.ledger.imported.size())));
    return true;
}

void scheduleWrite();
void installTerminateDrain();

// First load of the process; the caller holds the cache lock.
ImportLedger& loadedCache()
{
    LedgerState& s = state();
    if (s.cachedLedger)
        return *s.cachedLedger;
    const QString path = ImportLedgerStore::fileURL();
    DiskRead read = readDisk(path);
    s.cachedLedger = read.ledger;
    if (read.kind == DiskRead::Kind::corrupt && setCorruptFileAside(path, read) && !read.ledger.imported.isEmpty()) {
        // Put the recovered keys back on disk now, not only when the next import happens.
        // The file is already moved aside, so a quit must wait for this write too.
        installTerminateDrain();
        scheduleWrite();
    } else if (read.kind == DiskRead::Kind::unreadable) {
        CaptureLog::log(QStringLiteral("import ledger: cannot read %1: %2").arg(path, read.reason));
    }
    return *s.cachedLedger;
}

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

void writeJob()
{
    LedgerState& s = state();
    {
        std::lock_guard lock(s.hookLock);
        if (s.writeHook)
            s.writeHook();
    }
    {
        std::lock_guard lock(s.cacheLock);
        if (!s.cachedLedger)
            return;
    }
    const QString path = ImportLedgerStore::fileURL();
    FolderLock folderLock(path);

    const DiskRead disk = readDisk(path);
    if (disk.kind == DiskRead::Kind::unreadable) {
        CaptureLog::log(QStringLiteral("import ledger: cannot read %1 before writing (%2); not written").arg(path, disk.reason));
        return;
    }
    if (disk.kind == DiskRead::Kind::corrupt && !setCorruptFileAside(path, disk))
        return;

    ImportLedger snapshot;
    {
        std::lock_guard lock(s.cacheLock);
        if (!s.cachedLedger)
            return;
        // Keys another process wrote since our load count for lookups here too.
        s.cachedLedger->record(disk.ledger.imported);
        snapshot = *s.cachedLedger;
    }

    // The snapshot holds every key on disk, so the write only ever adds; bytes that are empty
    // (an encoding failure) must not take the place of a ledger.
    const QByteArray bytes = snapshot.encoded();
    QString error = QStringLiteral("the ledger encodes to nothing");
    if (bytes.isEmpty() || !writeWholeFile(path, bytes, &error))
        CaptureLog::log(QStringLiteral("import ledger: failed to write, the file on disk is kept: ") + error);
}

void scheduleWrite() { state().writeQueue.submit(writeJob); }

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
        loadedCache().record(keys);
    }
    scheduleWrite();
}

ImportLedger ImportLedgerStore::load()
{
    LedgerState& s = state();
    std::lock_guard lock(s.cacheLock);
    return loadedCache();
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

void ImportLedgerStore::drain() { state().writeQueue.drain(); }

void ImportLedgerStore::resetForTesting()
{
    LedgerState& s = state();
    s.writeQueue.drain();
    std::lock_guard lock(s.cacheLock);
    s.cachedLedger.reset();
}

void ImportLedgerStore::setWriteHookForTesting(std::function<void()> hook)
{
    LedgerState& s = state();
    std::lock_guard lock(s.hookLock);
    s.writeHook = std::move(hook);
}

} // namespace vantry
