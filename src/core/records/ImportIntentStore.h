#pragma once

#include "core/records/ImportIntent.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>

#include <QCoroTask>

#include <chrono>
#include <optional>
#include <vector>

namespace vantry {

class DelayScheduler;

// The imports of this user that may have reached the inventory but whose scans are not in the
// imported-scan ledger yet: "import-intents.json" under the application's data folder. One
// object per process, on the main thread; the file is read once and rewritten, synced, on a
// writer thread of its own after each change that must survive the process.
//
// Life of an intent: `reserve` at the press of Import (memory only), `markSent` written before
// the import call goes out, then one of: `release` (the service proved nothing was applied),
// `settleImported` (keys into the ledger, then the intent goes), or held (`sent` and no longer
// in flight) until the service's session record or the user settles it. After a restart a
// `reserved` intent is dropped (its import call never went out), a `sent` one is held, and an
// `imported` one is settled again.
//
// Every key of every intent counts as imported: ingest skips such scans and Import never
// sends them.
class ImportIntentStore : public QObject {
    Q_OBJECT

public:
    // How long an intent whose keys could not be written to the ledger waits for its next try.
    static constexpr std::chrono::milliseconds retryInterval{30'000};

    static ImportIntentStore& instance();
    // The file's path; makes sure its folder exists (mode 0700).
    static QString fileURL();

    // Reads the file on first use; none, or why it cannot be read. While it cannot be read no
    // import may start and no ingest may take it for empty.
    std::optional<QString> ensureLoaded();

    const std::vector<ImportIntent>& intents() const { return intents_; }
    const ImportIntent* find(const QUuid& id) const;
    // The intent one of whose keys is `key`.
    const ImportIntent* holding(const QString& key) const;
    // Every key of every intent.
    QSet<QString> keys() const;
    bool isInFlight(const QUuid& id) const { return inFlight_.contains(id); }
    // Sent, not in flight in this process: the outcome is unknown until someone settles it.
    std::vector<ImportIntent> held() const;
    // The service confirmed them but their keys are not in the ledger yet.
    std::vector<ImportIntent> unrecorded() const;

    // Adds `intent` as `reserved` and in flight (memory only); returns its id.
    QUuid reserve(ImportIntent intent);
    // Writes the reservation to the file before anything is sent, so that a disk that cannot
    // take the record stops the import before its first request. On a failure the intent is
    // gone again and the reason is returned.
    QCoro::Task<std::optional<QString>> writeReservation(QUuid id);
    // Records the session and `sent`, and writes the file: the import call may go out only when
    // this ends with none. Otherwise the intent is gone again and the reason is returned.
    QCoro::Task<std::optional<QString>> markSent(QUuid id, QString sessionId);
    // The import call ended without proof either way: the intent is held.
    void markUnknown(const QUuid& id);
    // The service proved nothing was applied (or the user chose to send again): forgotten.
    QCoro::Task<> release(QUuid id);
    // The cards are in the inventory: the keys go into the ledger, then the intent goes. Ends
    // with none, or why the ledger could not be written (the intent then stays, `imported`,
    // and is tried again on every `retryUnrecorded`, on a timer and at quit).
    QCoro::Task<std::optional<QString>> settleImported(QUuid id);
    // True the first time it is asked for an intent in this run: the service's session record
    // of a held import is asked once per run.
    bool beginServiceCheck(const QUuid& id);
    // Tries again every intent whose keys are not in the ledger yet.
    QCoro::Task<> retryUnrecorded();

    // Blocks until the file's writes are done; at quit, a last try to put the keys of confirmed
    // imports into the ledger and drop their intents.
    static void drainAtQuit();

    // Tests: the timer of the retries.
    void setSchedulerForTesting(DelayScheduler* scheduler) { scheduler_ = scheduler; }
    // Tests: waits for pending writes and forgets everything, standing for a restart.
    static void resetForTesting();

signals:
    // Any change of the intents, of what is in flight, or of what is held.
    void changed();
    // An intent left: its cards are in the inventory (`imported`), or free to be sent again.
    void settled(QUuid id, bool imported);

private:
    ImportIntentStore();

    QCoro::Task<std::optional<QString>> persist();
    QByteArray snapshot() const;
    ImportIntent* findMutable(const QUuid& id);
    void remove(const QUuid& id);
    void scheduleRetry();

    bool loaded_ = false;
    QString loadedPath_;
    std::vector<ImportIntent> intents_;
    QSet<QUuid> inFlight_;
    QSet<QUuid> checked_;
    bool retryScheduled_ = false;
    DelayScheduler* scheduler_ = nullptr;
};

} // namespace vantry
