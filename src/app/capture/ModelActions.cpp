#include "app/capture/ModelActions.h"

namespace vantry::ModelActions {

void startNewBatch(CaptureViewModel& model)
{
    model.cancelIngests();
    model.dropPendingFoilVerdicts();
    model.setRows({});
    model.setStatusMessage(QString());
    model.setImportError(std::nullopt);
    model.setProgress(std::nullopt);
    model.setLastImportedSession(std::nullopt);
    model.setLastRecountResult(std::nullopt);
    model.hideToast();
}

void setAllConfirmedFinish(CaptureViewModel& model, ScanFinish finish)
{
    std::vector<CaptureViewModel::Row> rows = model.rows();
    bool any = false;
    for (auto& row : rows) {
        if (!row.chosen)
            continue;
        row.chosen->finish = finish;
        row.userTouchedFinish = true;
        any = true;
    }
    if (any)
        model.setRows(std::move(rows));
}

void markReviewed(CaptureViewModel& model, const QList<QUuid>& ids)
{
    std::vector<CaptureViewModel::Row> rows = model.rows();
    bool any = false;
    for (auto& row : rows) {
        if (row.chosen && !row.reviewed && ids.contains(row.id)) {
            row.reviewed = true;
            any = true;
        }
    }
    if (any)
        model.setRows(std::move(rows));
}

void continueAddingToBin(CaptureViewModel& model, const QString& bin)
{
    model.setReplaceMode(false);
    model.setBin(bin);
    model.setLastRecountResult(std::nullopt);
    model.setStatusMessage(QStringLiteral("Adding to bin ") + bin +
                           QStringLiteral(". Scan the next stack — Import will mint new copies into ") + bin +
                           QLatin1Char('.'));
}

} // namespace vantry::ModelActions
