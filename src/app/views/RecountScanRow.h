#pragma once

#include "app/batch/CaptureViewModel.h"

#include <QFrame>

#include <functional>
#include <memory>

namespace vantry {

// A compact row for one scan on the recount screen: its match and the review actions that
// settle it (confirm a candidate, skip, unconfirm, finish).
class RecountScanRow : public QFrame {
    Q_OBJECT

public:
    RecountScanRow(std::shared_ptr<CaptureViewModel> model, const CaptureViewModel::Row& row, QWidget* parent = nullptr);
};

// Builds the row widget of one scan; the screen and the correction sheet share it.
using ScanRowFactory =
    std::function<QWidget*(const std::shared_ptr<CaptureViewModel>&, const CaptureViewModel::Row&, QWidget* parent)>;
ScanRowFactory defaultScanRowFactory();

} // namespace vantry
