#pragma once

#include "core/foil/ColorStats.h"
#include "core/resolution/HttpFetch.h"

#include <QCoroTask>
#include <QImage>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

namespace vantry {

class CatalogueRatePacer;

// Estimates whether a scan shows a foil printing by comparing its art with the public
// catalogue's reference art crop of the same printing. Card records, pictures and the
// reference moire score are cached; failures are never cached, so a later probe retries.
// Lives on the main thread; a probe keeps the service's state alive until it ends.
class FoilDetectionService {
public:
    struct ReferenceInfo {
        QUrl artCropURL;
        bool foilAvailable = true;
    };

    struct DetectionResult {
        double score = 0;          // highlight score: the verdict
        double chromaticScore = 0;
        double moireScore = 0;     // scan moire above the reference's, at least 0
        ColorStats scanStats;
        ColorStats referenceStats;
        bool foilAvailable = true;
    };

    // The catalogue and the user agent of the catalogue resolver.
    static QString defaultApiBase();
    static QString defaultUserAgent();
    // Art crops are about 1 MB each decoded: keep the most recently used few.
    static constexpr int defaultPictureCacheLimit = 32;

    // A card record or an art crop is small; a fetch past the cap, or past its deadline, fails.
    static constexpr HttpLimits defaultLimits{std::chrono::milliseconds(60000), std::chrono::milliseconds(30000),
                                              std::chrono::milliseconds(0), HttpLimits::defaultMaxBytes};

    // Catalogue requests wait their turn at `pacer` (the process's shared one by default), so
    // probes and the catalogue resolver together stay within the catalogue's rate limit.
    explicit FoilDetectionService(QString api = defaultApiBase(),
                                  QString userAgent = defaultUserAgent(),
                                  int pictureCacheLimit = defaultPictureCacheLimit,
                                  std::shared_ptr<CatalogueRatePacer> pacer = nullptr,
                                  HttpLimits limits = defaultLimits);
    ~FoilDetectionService();

    FoilDetectionService(const FoilDetectionService&) = delete;
    FoilDetectionService& operator=(const FoilDetectionService&) = delete;

    // `scan` is the whole upright card. Nothing when the reference cannot be had.
    QCoro::Task<std::optional<DetectionResult>> detect(QImage scan, QString scryfallId);

    // How often a reference moire score was computed (each printing at most once per success).
    int referenceMoireComputations() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

} // namespace vantry
