#pragma once

#include "core/card/PhysicalToken.h"
#include "core/card/ScanFinish.h"

#include <QString>

#include <optional>

namespace vantry {

// One catalogue printing proposed for a scan. Plain value; duplicates are removed by scryfallId.
struct Candidate {
    QString scryfallId;
    QString name;
    QString setCode;
    QString collectorNumber;
    ScanFinish finish = ScanFinish::nonfoil;
    double score = 0;
    std::optional<double> priceUSD;
    std::optional<double> priceUsdFoil;
    std::optional<double> priceUsdSignature;
    bool isArtSeries = false;
    ArtSeriesVariant artSeriesVariant = ArtSeriesVariant::plain;
    std::optional<PhysicalTokenMetadata> physicalToken;

    bool operator==(const Candidate&) const = default;

    // The price this candidate stands for: the signature price of a signature Art Series
    // card, the foil price of a foil/etched/surge card, else the normal price.
    std::optional<double> effectivePriceUSD() const;
};

} // namespace vantry
