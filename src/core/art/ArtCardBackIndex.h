#pragma once

#include "core/art/ArtCardBack.h"

#include <QHash>
#include <QString>

#include <memory>
#include <mutex>
#include <vector>

namespace vantry {

// The art-card index entries prepared for reading printed backs: names reduced to their
// faces and words once, every significant word indexed by its first and last two
// characters, entries grouped by collector number. A back is then compared only with the
// entries that share an agreeing word or its number, instead of every entry with every
// line. Resolves exactly as `ArtCardBack::resolve` describes. The tables are built on
// the first `resolve` (on the thread that calls it, normally the CPU pool); afterwards the
// object is read-only and may be shared by any number of threads.
class ArtCardBackIndex {
public:
    // Shares the entries (e.g. those of a loaded index); they must not change.
    explicit ArtCardBackIndex(std::shared_ptr<const std::vector<ArtCardEntry>> entries);
    explicit ArtCardBackIndex(std::vector<ArtCardEntry> entries);
    ~ArtCardBackIndex();

    const std::vector<ArtCardEntry>& entries() const { return *entries_; }
    bool empty() const { return entries_->empty(); }

    ArtCardBackResolution resolve(const ArtCardBackRead& read) const;

private:
    struct Tables;
    const Tables& tables() const;

    std::shared_ptr<const std::vector<ArtCardEntry>> entries_;
    mutable std::once_flag built_;
    mutable std::unique_ptr<const Tables> tables_;
};

} // namespace vantry
