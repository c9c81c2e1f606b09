#pragma once

#include "app/settings/CaptureConfig.h"
#include "app/batch/CaptureViewModel.h"
#include "core/service/ScanReplace.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QUuid>

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace vantry {

// What the import, the automatic import and the recount keep between their calls.
struct CaptureViewModel::ServiceState {
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
    // Held imports whose rows the user chose to send again.
    QSet<QUuid> sendAgain;
    // An automatic import skipped because an import was running; checked again at its end.
    std::optional<CaptureConfig> deferredAutoImport;
    // Rows the service imported whose printing the user changed meanwhile: they stay in the
    // batch, and only a deliberate import sends them again.
    QSet<QUuid> importedThenChanged;

    // What a recount preview showed; the commit sends exactly this plan or nothing.
    struct RecountSnapshot {
        QString sessionId;
        QString workspaceId;
        std::vector<QUuid> rowIds;                   // the rows the recount files, in order
        std::vector<std::pair<QString, int>> items; // item id and copies, in order
        ScanReplaceRequest request;                  // as committed (not a dry run)
    };
    std::optional<RecountSnapshot> recountSnapshot;
    // The session whose replacement was sent but whose outcome is not known yet: a new
    // commit of it resumes polling instead of sending the replacement again.
    std::optional<QString> recountCommitSent;
    bool isRecounting = false;
};

} // namespace vantry
