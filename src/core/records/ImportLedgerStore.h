#pragma once

#include "core/records/ImportLedger.h"

#include <QString>

#include <QCoroTask>

#include <functional>
#include <optional>
#include <vector>

namespace vantry {

// The process-wide imported-scan ledger: "imported-scans.json" under the application's data
// folder, read into a cache once and rewritten on a serial writer thread after each change.
//
// A file that does not decode keeps its recognisable keys: they are written back in its place
// while a copy of the broken file is kept beside it ("imported-scans.json.corrupt-<time>"), and
// when that rewrite fails the broken file stays as it is. A file that exists but cannot be read
// (an I/O error, a folder in its place) is never taken for an empty ledger. A write merges the
// cache with what is on disk (under a lock file), so keys recorded by another process survive;
// a failed write is tried again with the next record, on `retryFailedWrite` and at quit.
class ImportLedgerStore {
public:
    // The ledger file's path; makes sure its folder exists (mode 0700).
    static QString fileURL();

    // Adds the keys and schedules a rewrite; returns at once. Main thread.
    static void record(const std::vector<QString>& keys);
    // Adds the keys and writes the file; ends once the bytes are on disk, with none, or with
    // the reason they are not. Main thread.
    static QCoro::Task<std::optional<QString>> recordDurably(std::vector<QString> keys);

    // The cached ledger, loading the file on first use; none, with the reason in `error`, while
    // the file exists but cannot be read (nothing is cached then: the next call reads again).
    static std::optional<ImportLedger> tryLoad(QString* error = nullptr);
    // `tryLoad`, with an unreadable file taken as empty: only for tools and tests.
    static ImportLedger load();

    // SHA-256 of the file's bytes as 64 lower-case hex digits; absent for a path that
    // cannot be read as a file (missing, a folder, no permission).
    static std::optional<QString> hash(const QString& path);

    // The last write failed and no later one succeeded: keys of this process are not on disk.
    static bool hasUnwrittenKeys();
    // Schedules a write when the last one failed.
    static void retryFailedWrite();

    // Blocks until every write scheduled so far has finished, and tries a failed one once
    // more. Runs at quit and at exit.
    static void drain();

    // Tests: waits for pending writes and forgets the cache, so that the next use reads
    // the file again (after a test home was swapped, or standing for a restart).
    static void resetForTesting();
    // Tests: runs `hook` at the start of every write job (on the writer thread).
    static void setWriteHookForTesting(std::function<void()> hook);
};

} // namespace vantry
