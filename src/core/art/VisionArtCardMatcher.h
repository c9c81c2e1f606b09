#pragma once

#include "core/art/ArtCardMatching.h"
#include "platform/FeaturePrinter.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace vantry {

// Finds Art Series prints by nearest-neighbour search over the art-card index, trying the
// image in all four quarter-turn orientations. Immutable; shared read-only by every match.
class VisionArtCardMatcher final : public ArtCardMatching {
public:
    static constexpr int defaultK = 5;

    // `printer` defaults to the shipped descriptor, the one the index files are built with.
    explicit VisionArtCardMatcher(ArtCardIndex index, float maxDistance = defaultArtCardMaxDistance,
                                  int k = defaultK, std::shared_ptr<const FeaturePrinter> printer = nullptr);

    const ArtCardIndex& index() const { return *index_; }
    float maxDistance() const { return maxDistance_; }
    int k() const { return k_; }

    QCoro::Task<std::vector<Candidate>> match(QImage image, ScanFinish finish,
                                              CPULane lane = CPULane::ordinary) const override;
    const std::vector<ArtCardEntry>& entries() const override { return index_->entries; }
    std::shared_ptr<const ArtCardBackIndex> backIndex() const override { return backIndex_; }

    // The shipped descriptor: the one used for the index and for queries.
    static std::shared_ptr<const FeaturePrinter> shippedPrinter();
    static std::optional<std::vector<float>> featurePrintVector(const QImage& image);

    // The matcher over the first usable index file (cached copy, then the shipped one), or
    // nothing. Prints "[art-match] loaded ...", or says why Art Series matching is off. The
    // application loads it once, through `SharedArtCardMatcher`.
    static std::shared_ptr<const VisionArtCardMatcher> bundled();
    // The same over explicit locations, in order; absent and missing ones are skipped.
    // Without any index the diagnostic log says "[art-match] Art Series matching is off: no
    // art-card index found (tried ...)". An index of another revision, or whose vectors are
    // not as long as the shipped descriptor's, disables matching with a line on standard
    // output and in the diagnostic log.
    static std::shared_ptr<const VisionArtCardMatcher> bundled(const std::vector<std::optional<QString>>& locations);

    // The first location whose file reads and parses.
    static std::optional<ArtCardIndex> loadIndex(const std::vector<std::optional<QString>>& locations);
    // "$XDG_DATA_HOME/Vantry Capture/art-card-index.bin", offered whether or not it exists.
    static std::optional<QString> cachedIndexURL();
    // "art-card-index.bin" in the resource folder, offered whether or not it exists; nothing
    // without a resource folder.
    static std::optional<QString> bundledIndexURL();

private:
    std::shared_ptr<const ArtCardIndex> index_;
    std::shared_ptr<const ArtCardBackIndex> backIndex_;
    float maxDistance_;
    int k_;
    std::shared_ptr<const FeaturePrinter> printer_;
};

} // namespace vantry
