#pragma once

#include "app/batch/CaptureViewModel.h"
#include "views/CardRow.h"

#include <QHash>
#include <QUuid>

#include <memory>
#include <vector>

class QVBoxLayout;

namespace vantry::RecountCardRows {

// Lays out one card row per row of `rows`, in order, with dividers between them. A row already
// shown keeps its widget (and with it its search text and popover); widgets of rows no longer
// listed go at the next turn of the event loop, since a click may still run inside them.
void place(QVBoxLayout* column, QHash<QUuid, CardRow*>& shown, const std::vector<CaptureViewModel::Row>& rows,
           const std::shared_ptr<CaptureViewModel>& model, const CardRowOptions& options);

} // namespace vantry::RecountCardRows
