#include "app/capture/CaptureCsvExport.h"

#include "app/batch/CaptureViewModel.h"
#include "core/records/ManaboxCsvExport.h"
#include "core/records/RawScanCsvExport.h"
#include "platform/FileRevealer.h"
#include "platform/SavePanel.h"
#include "platform/WholeFileWrite.h"

namespace vantry::CaptureCsvExport {

SavePanelRequest panelRequest(Kind kind, const QDate& today)
{
    const QString stamp = today.toString(QStringLiteral("yyyy-MM-dd"));
    SavePanelRequest request;
    request.title = QStringLiteral("Export scanned cards");
    request.prompt = QStringLiteral("Save");
    request.nameFilters = {QStringLiteral("CSV files (*.csv)")};
    request.defaultSuffix = QStringLiteral("csv");
    if (kind == Kind::rawScanOrder) {
        request.proposedName = RawScanCsvExport::suggestedFilename(stamp);
        request.message = QStringLiteral("Save these cards as a raw CSV in exact scan order — one row per card, "
                                         "duplicates not merged. They are not added to your Vantry inventory.");
    } else {
        request.proposedName = ManaboxCsvExport::suggestedFilename(stamp);
        request.message = QStringLiteral("Save these cards as a ManaBox-format CSV (duplicates merged into a "
                                         "Quantity column). They are not added to your Vantry inventory.");
    }
    return request;
}

QString writeFailure(const QString& reason)
{
    return QStringLiteral("Couldn't write CSV: ") + reason;
}

QCoro::Task<> run(std::shared_ptr<CaptureViewModel> model, Kind kind, QDate today, std::shared_ptr<SavePanel> panel,
                  std::shared_ptr<FileRevealer> revealer)
{
    // The cards the user saw when clicking; scans arriving while the panel is up wait for
    // the next export.
    const QString csv = kind == Kind::rawScanOrder ? model->rawScanCsvForExport() : model->manaboxCsvForExport();
    const std::optional<QString> path = co_await panel->run(panelRequest(kind, today));
    if (!path || path->isEmpty())
        co_return;
    QString error;
    // In one step: a failed write leaves a file already there as it was.
    if (!writeWholeFile(*path, csv.toUtf8(), &error)) {
        model->reportError(writeFailure(error), QStringLiteral("Export failed"));
        co_return;
    }
    revealer->reveal(*path);
}

} // namespace vantry::CaptureCsvExport
