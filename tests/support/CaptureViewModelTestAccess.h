#pragma once

#include "app/batch/CaptureViewModel.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace vantry::test {

// The one way for tests (and the screenshot scenes) to put a batch model into a state directly,
// as its operations would have left it: the published values are read-only everywhere else.
//   testAccess(model).setRows(rows);
class CaptureViewModelTestAccess {
public:
    explicit CaptureViewModelTestAccess(CaptureViewModel& model) : model_(model) {}

    // --- The model's own values --------------------------------------------------------
    void setRows(std::vector<CaptureViewModel::Row> value) const { model_.setRows(std::move(value)); }
    void setIsWorking(bool value) const { model_.setIsWorking(value); }
    void setIsImporting(bool value) const { model_.setIsImporting(value); }
    void setStatusMessage(QString value) const { model_.setStatusMessage(std::move(value)); }
    void setImportError(std::optional<QString> value) const { model_.setImportError(std::move(value)); }
    void setImportError(std::optional<QString> value, QString title) const
    {
        model_.setImportError(std::move(value), std::move(title));
    }
    void setToast(std::optional<QString> value) const { model_.setToast(std::move(value)); }
    void setScanOrientationHintDismissed(bool value) const { model_.setScanOrientationHintDismissed(value); }
    void setProgress(std::optional<CaptureViewModel::Progress> value) const { model_.setProgress(std::move(value)); }
    void setLastImportedSession(std::optional<QString> value) const
    {
        model_.setLastImportedSession(std::move(value));
    }
    void setPrefHealMessage(std::optional<QString> value) const { model_.setPrefHealMessage(std::move(value)); }
    void setBin(QString value) const { model_.setBin(std::move(value)); }
    // What the end of an import shows for `outcome`.
    void publishImport(const ImportOutcome& outcome) const { model_.publishImport(outcome); }

    // --- The recount -------------------------------------------------------------------
    void setReplaceMode(bool value) const { recount().setReplaceMode(value); }
    void setReplaceBinsText(QString value) const { recount().setReplaceBinsText(std::move(value)); }
    void setSelectedPrintings(QSet<QString> value) const { recount().setSelectedPrintings(std::move(value)); }
    void setBinByPrinting(RecountBinMap value) const { recount().setBinByPrinting(std::move(value)); }
    void setPendingPreview(std::optional<ScanReplaceResult> value) const
    {
        recount().setPendingPreview(std::move(value));
    }
    void setShowReplaceConfirm(bool value) const { recount().setShowReplaceConfirm(value); }
    void setLastRecountResult(std::optional<LastRecountResult> value) const
    {
        recount().setLastRecountResult(std::move(value));
    }
    void setReplaceSessionId(std::optional<QString> value) const { recount().replaceSessionId_ = std::move(value); }

    // --- The bins list -----------------------------------------------------------------
    void setInventoryBins(std::vector<InventoryBinSummary> value) const
    {
        model_.binList()->setInventoryBins(std::move(value));
    }
    void setInventoryBinsLoadedAt(std::optional<QDateTime> value) const
    {
        model_.binList()->setInventoryBinsLoadedAt(std::move(value));
    }
    void setInventoryBinsError(std::optional<QString> value) const
    {
        model_.binList()->setInventoryBinsError(std::move(value));
    }
    void setIsLoadingInventoryBins(bool value) const { model_.binList()->setIsLoadingInventoryBins(value); }

private:
    BatchRecount& recount() const { return *model_.recount(); }

    CaptureViewModel& model_;
};

inline CaptureViewModelTestAccess testAccess(CaptureViewModel& model) { return CaptureViewModelTestAccess(model); }

inline CaptureViewModelTestAccess testAccess(const std::shared_ptr<CaptureViewModel>& model)
{
    return CaptureViewModelTestAccess(*model);
}

} // namespace vantry::test
