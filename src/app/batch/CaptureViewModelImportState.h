#pragma once

#include "app/settings/CaptureConfig.h"
#include "app/batch/CaptureViewModel.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QUuid>

#include <map>
#include <optional>
#include <vector>

namespace vantry {

// What the import and the automatic import keep between their calls.
struct CaptureViewModel::ImportState {
    // An import of this batch between its reservation and the local records of its outcome:
    // what the records need once the service (or the user) says the cards are in. Its intent
    // in the import intent store keeps the scans from being sent again meanwhile.
    struct SentImport {
        std::vector<Row> confirmed;          // as sent
        QHash<QUuid, QString> itemIdByRow;   // the item id each row was sent as
        CaptureConfig settings;              // the snapshot the import ran with
        std::optional<QString> location;
        QString sessionId;                   // once the session exists
        std::optional<QString> failure;      // why the outcome is unknown
    };
    std::map<QUuid, SentImport> sentImports; // by intent id
    // An automatic import skipped because an import was running; checked again at its end.
    std::optional<CaptureConfig> deferredAutoImport;
    // Rows the service imported whose printing the user changed meanwhile: they stay in the
    // batch, and only a deliberate import sends them again.
    QSet<QUuid> importedThenChanged;
};

// What `applyImported` did, for the outcome of its caller.
struct CaptureViewModel::ImportedBatch {
    qint64 committedRows = 0;
    std::optional<QString> manifestFailure;
    CaptureConfig settings;
    std::optional<QString> location;
};

} // namespace vantry
