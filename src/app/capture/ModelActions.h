#pragma once

#include "app/batch/CaptureViewModel.h"

#include <QList>
#include <QUuid>

// The batch operations the capture window's buttons start, in one place, so the window does
// not reach into the rows itself.
namespace vantry::ModelActions {

// Clears the review list and what belongs to it (banner texts, progress, running ingests).
void startNewBatch(CaptureViewModel& model);
// Every confirmed row takes `finish`.
void setAllConfirmedFinish(CaptureViewModel& model, ScanFinish finish);
// Signs off the given rows; only confirmed rows can be signed off.
void markReviewed(CaptureViewModel& model, const QList<QUuid>& ids);
// Leaves recount mode and adds the next stack to `bin`.
void continueAddingToBin(CaptureViewModel& model, const QString& bin);

} // namespace vantry::ModelActions
