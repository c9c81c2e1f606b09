#pragma once

#include "core/art/ArtCardBackIndex.h"
#include "core/art/ArtCardIndex.h"
#include "core/support/CPUWork.h"
#include "core/card/Candidate.h"

#include <QCoroTask>
#include <QImage>

#include <memory>
#include <vector>

namespace vantry {

// Identifies Art Series prints from a card image. Optional for recognition: without a
// matcher every other path works as before.
class ArtCardMatching {
public:
    virtual ~ArtCardMatching() = default;
    // Scored Art Series candidates for the image, best first; empty when nothing matches.
    // Never fails. The image work runs on the CPU pool's `lane`.
    virtual QCoro::Task<std::vector<Candidate>> match(QImage image, ScanFinish finish,
                                                      CPULane lane = CPULane::ordinary) const = 0;
    // The index entries, for resolving a printed back.
    virtual const std::vector<ArtCardEntry>& entries() const = 0;
    // The entries prepared for resolving printed backs. By default a fresh copy per call;
    // a matcher over a large index keeps one.
    virtual std::shared_ptr<const ArtCardBackIndex> backIndex() const
    {
        return std::make_shared<const ArtCardBackIndex>(entries());
    }
};

} // namespace vantry
