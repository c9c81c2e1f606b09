#pragma once

#include "core/card/ScanFinish.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace vantry {

// One scanned card as the ManaBox / Manapool interchange export takes it.
struct ManaboxExportCard {
    QString scryfallId;
    QString name;
    QString setCode;
    QString collectorNumber;
    ScanFinish finish = ScanFinish::nonfoil;
    QString condition;

    bool operator==(const ManaboxExportCard&) const = default;
};

// The interchange export: one row per set, number, foil value, condition and language,
// with a quantity, in order of first appearance.
struct ManaboxCsvExport {
    static const QStringList& headers();
    // Upper-case condition code -> ManaBox condition; codes not listed map to "mint".
    static const QHash<QString, QString>& conditionMap();
    static QString mappedCondition(const QString& condition);
    // "foil" for foil and surge, "normal" for nonfoil, "etched" for etched.
    static QString foilValue(ScanFinish finish);
    static QString generate(const std::vector<ManaboxExportCard>& cards, const QString& language);
    // "vantry-scan-<dateStamp>.csv".
    static QString suggestedFilename(const QString& dateStamp);
};

} // namespace vantry
