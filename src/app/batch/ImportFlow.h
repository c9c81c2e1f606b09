#pragma once

#include "app/batch/CaptureViewModel.h"
#include "app/batch/ImportOutcome.h"
#include "app/settings/CaptureConfig.h"
#include "core/records/ImportIntent.h"
#include "core/service/ScanEvidenceUploadBuilder.h"
#include "core/service/ServiceRecords.h"

#include <QString>
#include <QStringList>
#include <QUuid>

#include <QCoroTask>

#include <optional>
#include <vector>

namespace vantry {

class ImportIntentStore;

// One import of a batch's confirmed rows into the inventory service, from the workspace check to
// the local records of what the service saved; it ends in the outcome the model publishes.
//
// Nothing is ever sent twice: the ledger and the import intents must be readable, rows whose
// scans are imported, held or being sent stay out, the intent is written before the first
// request and marked sent (synced) before the import call, and a reply that does not prove what
// happened holds the cards until the service's session record or the user settles it.
//
// Lives in the frame of the model's import, which keeps the model alive. Main thread only.
class ImportFlow {
public:
    explicit ImportFlow(CaptureViewModel& model);

    // Never throws.
    QCoro::Task<ImportOutcome> run();

    // Reads the imported-scan ledger and the import intents; none, or why they cannot be read
    // (then nothing may be sent: a record taken for empty would send cards twice).
    static QCoro::Task<std::optional<QString>> readImportRecords();

    // Asks the service's session record of a sent import; when it shows the import as
    // imported, the batch records it and the ledger takes its scans. None: still undecided.
    static QCoro::Task<std::optional<ImportOutcome>> settleIfServiceImported(CaptureViewModel& model,
                                                                             ImportIntent intent);

private:
    using Row = CaptureViewModel::Row;

    // How the commit call ended.
    struct Reply {
        std::optional<ImportResult> result;
        std::optional<QString> failure;  // the banner's text of the failure
        std::optional<QString> withheld; // the intent could not be written before the import call
        bool refused = false;            // the failure proves nothing was imported
        ImportOutcome::Failed::Cause cause = ImportOutcome::Failed::Cause::other; // what failed
    };

    QCoro::Task<std::optional<ImportOutcome>> checkRecords();
    std::vector<Row> select();
    void reserve(const std::vector<Row>& confirmed);
    QCoro::Task<Reply> send(std::vector<ScanEvidenceUpload> uploads);
    QCoro::Task<ImportOutcome> conclude(Reply reply);
    QCoro::Task<ImportOutcome> hold(const Reply& reply, QString sessionId);
    QCoro::Task<ImportOutcome> record(QString sessionId, int imported);
    // Ends the reservation of an import that never reached its import call.
    QCoro::Task<> abandon();

    CaptureViewModel& model_;
    ImportIntentStore& intents_;
    CaptureConfig settings_; // the snapshot the import runs with
    std::optional<QString> location_;
    QString scope_;
    QStringList notes_; // confirmed rows left out, and why
    std::vector<ScanItemPayload> items_;
    std::vector<ScanEvidenceUploadSource> sources_;
    QUuid intentId_;
};

} // namespace vantry
