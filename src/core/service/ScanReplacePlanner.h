#pragma once

#include "core/service/ScanReplace.h"

#include <QString>

#include <map>

#include <optional>
#include <vector>

namespace vantry::ScanReplacePlanner {

// Splits at commas and white space, drops empty pieces and exact repeats; first-seen order.
// A known bin name is kept whole wherever a name starts, spaces and commas inside it included
// (the longest one that ends at a comma, white space or the end of the text), so that a bin
// such as "Box 1" can be named while several bins can still be typed.
std::vector<QString> parseReplaceBins(const QString& text, const std::vector<QString>& knownBins = {});

// No request when no bin is typed or no item has a destination.
std::optional<ScanReplaceRequest> build(const std::vector<QString>& rowIds,
                                        const std::map<QString, QString>& binByRow,
                                        const QString& replaceBinsText, bool dryRun,
                                        const std::vector<QString>& knownBins = {});

} // namespace vantry::ScanReplacePlanner
