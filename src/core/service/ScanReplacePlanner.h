#pragma once

#include "core/service/ScanReplace.h"

#include <QString>

#include <map>

#include <optional>
#include <vector>

namespace vantry::ScanReplacePlanner {

// Splits at commas and white space, drops empty pieces and exact repeats; first-seen order.
std::vector<QString> parseReplaceBins(const QString& text);

// No request when no bin is typed or no item has a destination.
std::optional<ScanReplaceRequest> build(const std::vector<QString>& rowIds,
                                        const std::map<QString, QString>& binByRow,
                                        const QString& replaceBinsText, bool dryRun);

} // namespace vantry::ScanReplacePlanner
