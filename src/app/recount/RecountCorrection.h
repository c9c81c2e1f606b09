#pragma once

#include "app/batch/CaptureViewModel.h"

#include <QSet>
#include <QUuid>

#include <vector>

namespace vantry::RecountCorrection {

// The scans that make up a printing group: confirmed rows whose item id is the group's, so a
// plain and a signature Art Series group of one printing never share scans.
std::vector<CaptureViewModel::Row> rowsMatching(const ScanItemPayload& item,
                                                const std::vector<CaptureViewModel::Row>& rows);
QSet<QUuid> rowIdsMatching(const ScanItemPayload& item, const std::vector<CaptureViewModel::Row>& rows);

// The rows the open sheet lists: those of `ids` still in the batch, whatever their match is
// now, in scan order.
std::vector<CaptureViewModel::Row> correctionRows(const QSet<QUuid>& ids, const std::vector<CaptureViewModel::Row>& rows);

} // namespace vantry::RecountCorrection
