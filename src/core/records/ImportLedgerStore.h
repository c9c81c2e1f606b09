#pragma once

#include "core/records/ImportLedger.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace vantry {

// The process-wide imported-scan ledger: "imported-scans.json" under the application's data
// folder, read into a cache once and rewritten on a serial writer thread after each change.
//
// A file that does not decode is moved aside ("imported-scans.json.corrupt-<time>") and
// logged, and the keys still recognisable in it are kept; a write merges the cache with
// what is on disk (under a lock file), so keys recorded by another process survive.
class ImportLedgerStore {
public:
    // The ledger file's path; makes sure its folder exists (mode 0700).
    static QString fileURL();

    // Adds the keys and schedules a rewrite; returns at once. Main thread.
    static void record(const std::vector<QString>& keys);

    // A copy of the cached ledger, loading the file on first use.
    static ImportLedger load();

    // SHA-256 of the file's bytes as 64 lower-case hex digits; absent for a path that
    // cannot be read as a file (missing, a folder, no permission).
    static std::optional<QString> hash(const QString& path);

    // Blocks until every write scheduled so far has finished. Runs at quit and at exit.
    static void drain();

    // Tests: waits for pending writes and forgets the cache, so that the next use reads
    // the file again (after a test home was swapped).
    static void resetForTesting();
    // Tests: runs `hook` at the start of every write job (on the writer thread).
    static void setWriteHookForTesting(std::function<void()> hook);
};

} // namespace vantry
