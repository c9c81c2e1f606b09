#pragma once

#include "core/card/ScanFinish.h"
#include "core/records/ScanStatus.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vantry {

// One scanned card as the raw export writes it.
struct RawScanCard {
    QString scryfallId;
    QString name;
    QString setCode;
    QString collectorNumber;
    ScanFinish finish = ScanFinish::nonfoil;
    QString condition;
    std::optional<double> priceUSD;
    ScanStatus status = ScanStatus::review;

    bool operator==(const RawScanCard&) const = default;
};

// The raw CSV export: one row per scanned card in the given order, duplicates not merged.
struct RawScanCsvExport {
    static const QStringList& headers();
    static QString generate(const std::vector<RawScanCard>& cards, const QString& language);
    // "vantry-scan-raw-<dateStamp>.csv".
    static QString suggestedFilename(const QString& dateStamp);
    // Two decimals with a point under any locale; empty for an absent or non-finite price.
    static QString formatPrice(std::optional<double> price);
};

} // namespace vantry
