#pragma once

#include "app/batch/CaptureConfig.h"
#include "app/batch/CaptureViewModel.h"
#include "core/service/ScanReplace.h"

#include <QSet>
#include <QString>
#include <QUuid>

#include <optional>
#include <utility>
#include <vector>

namespace vantry {

// What the import, the automatic import and the recount keep between their calls.
struct CaptureViewModel::ServiceState {
    // An import whose outcome the service left unknown: its rows are held back once, so
    // that the cards are not sent a second time before the user has checked the session.
    struct UncertainImport {
        QString sessionId;
        QSet<QUuid> rowIds;
    };
    std::optional<UncertainImport> uncertainImport;
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
