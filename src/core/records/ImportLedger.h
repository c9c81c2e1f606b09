#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <optional>

namespace vantry {

// The keys of scans already imported. Keys are opaque and compared whole, case-sensitively.
struct ImportLedger {
    QSet<QString> imported;

    bool operator==(const ImportLedger&) const = default;

    bool contains(const QString& key) const { return imported.contains(key); }

    // Adds every key of `keys` (any range of strings).
    template <class Range>
    void record(const Range& keys)
    {
        for (const auto& key : keys)
            imported.insert(key);
    }

    // {"imported":[...]}: compact, keys in ascending order so that rewrites diff cleanly.
    QByteArray encoded() const;

    // Never fails: absent or undecodable data is an empty ledger.
    static ImportLedger decode(const std::optional<QByteArray>& data);
    // The ledger when `data` is exactly an object whose "imported" is an array of strings.
    static std::optional<ImportLedger> decodeStrict(const QByteArray& data);
    // Every key still recognisable in bytes that do not decode: the strings of an
    // "imported" array that also holds other values, or, for text that is no longer JSON
    // (a cut-off file), every complete string literal except the member name.
    static ImportLedger salvage(const QByteArray& data);
};

} // namespace vantry
