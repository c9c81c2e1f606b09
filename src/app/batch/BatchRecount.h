#pragma once

#include "core/service/ScanReplace.h"
#include "core/service/ScanReplaceTally.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>

#include <QCoroTask>

#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace vantry {

class CaptureViewModel;
namespace test {
class CaptureViewModelTestAccess;
}

// What the last committed recount wrote.
struct LastRecountResult {
    std::vector<QString> binsWritten;
    qint64 created = 0;
    qint64 retired = 0;
    // False when the service saved the recount without reporting its figures: `created` and
    // `retired` are then unknown and `binsWritten` are the bins the recount filed cards into.
    bool figuresKnown = true;

    bool operator==(const LastRecountResult&) const = default;
};

using RecountBinMap = std::map<QString, QString>; // item id -> destination bin, as the recount plan takes it

// The recount of one batch: recount mode, the old bins, the ticked printings, their destination
// bins, the preview, its confirmation and the last result, with the operations that change
// them. Owned by its CaptureViewModel (which carries the rows it plans from) and read-only
// outside it; every published value announces each assignment, also one that keeps the value.
// Main thread only.
class BatchRecount : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool replaceMode READ replaceMode NOTIFY replaceModeChanged)
    Q_PROPERTY(QString replaceBinsText READ replaceBinsText NOTIFY replaceBinsTextChanged)
    Q_PROPERTY(QSet<QString> selectedPrintings READ selectedPrintings NOTIFY selectedPrintingsChanged)
    Q_PROPERTY(vantry::RecountBinMap binByPrinting READ binByPrinting NOTIFY binByPrintingChanged)
    Q_PROPERTY(std::optional<vantry::ScanReplaceResult> pendingPreview READ pendingPreview NOTIFY
                   pendingPreviewChanged)
    Q_PROPERTY(bool showReplaceConfirm READ showReplaceConfirm NOTIFY showReplaceConfirmChanged)
    Q_PROPERTY(std::optional<vantry::LastRecountResult> lastRecountResult READ lastRecountResult NOTIFY
                   lastRecountResultChanged)

public:
    explicit BatchRecount(CaptureViewModel& model);
    ~BatchRecount() override;

    // --- Published state ---------------------------------------------------------------
    bool replaceMode() const { return replaceMode_; }
    const QString& replaceBinsText() const { return replaceBinsText_; }
    const QSet<QString>& selectedPrintings() const { return selectedPrintings_; }
    const RecountBinMap& binByPrinting() const { return binByPrinting_; }
    const std::optional<ScanReplaceResult>& pendingPreview() const { return pendingPreview_; }
    bool showReplaceConfirm() const { return showReplaceConfirm_; }
    const std::optional<LastRecountResult>& lastRecountResult() const { return lastRecountResult_; }
    // The scan session remembered by the preview; cleared with `pendingPreview`.
    const std::optional<QString>& replaceSessionId() const { return replaceSessionId_; }

    // --- The user's edits --------------------------------------------------------------
    // Entering recount mode (again) drops a shown recount result; leaving keeps it.
    void enterReplaceMode();
    void leaveReplaceMode();
    // The old bins as typed; a different text drops the pending preview and its session.
    void editReplaceBinsText(QString text);
    void toggleSelectedPrinting(const QString& itemId);
    void selectAllPrintings();
    void clearSelectedPrintings();
    void assignSelectedPrintings(const QString& bin);
    // Takes one printing out of the plan: its destination and its tick go, and the preview.
    void unassignPrinting(const QString& itemId);
    void clearAllAssignments();
    void requestReplaceConfirm();
    void dismissReplaceConfirm();
    void dismissRecountResult();

    // --- Plan and service ------------------------------------------------------------------
    ScanReplaceTally::Result replaceTally() const;
    // The bins the old-bin text may name with a space or comma inside: the workspace's bins
    // as last loaded and the batch's import bin.
    std::vector<QString> knownBinNames() const;
    QCoro::Task<> previewReplace();
    QCoro::Task<> commitReplace();
    // A preview or commit is in flight (a second one returns without change).
    bool isRecounting() const { return isRecounting_; }
    // The session whose replacement was sent but whose outcome is unknown: `commitReplace`
    // follows it to its end, and a new preview waits until then.
    const std::optional<QString>& pendingRecountCommit() const { return commitSent_; }

signals:
    void replaceModeChanged();
    void replaceBinsTextChanged();
    void selectedPrintingsChanged();
    void binByPrintingChanged();
    void pendingPreviewChanged();
    void showReplaceConfirmChanged();
    void lastRecountResultChanged();

private:
    friend class CaptureViewModel;
    friend class test::CaptureViewModelTestAccess;

    // What a preview showed; the commit sends exactly this plan or nothing.
    struct Snapshot {
        QString sessionId;
        QString workspaceId;
        std::vector<QUuid> rowIds;                   // the rows the recount files, in order
        std::vector<std::pair<QString, int>> items; // item id and copies, in order
        ScanReplaceRequest request;                  // as committed (not a dry run)
    };
    struct Plan;
    Plan plan(bool dryRun) const;
    // The commit's steps: the session it sends, once the plan still holds; the figures, or
    // why the service did not give them; the local records of the rows it filed.
    std::optional<QString> validCommitSession(bool resume);
    // The recount's scans go into the import record, synced, before the replacement is sent;
    // false when they cannot (the banner says why) and nothing may be sent.
    QCoro::Task<bool> writeIntent(QString sessionId);
    QCoro::Task<std::optional<LastRecountResult>> sendCommit(QString sessionId, bool resume);
    QCoro::Task<> recordCommitted(QString sessionId, LastRecountResult figures, std::vector<QUuid> rowIds);
    // A preview or commit starts: its own guard, the busy flag and a cleared banner. The
    // returned function ends it.
    std::function<void()> beginRecount();
    void blocked(const QString& message);

    void setReplaceMode(bool value);
    void setReplaceBinsText(QString value);
    void setSelectedPrintings(QSet<QString> value);
    void setBinByPrinting(RecountBinMap value);
    void setPendingPreview(std::optional<ScanReplaceResult> value);
    void setShowReplaceConfirm(bool value);
    void setLastRecountResult(std::optional<LastRecountResult> value);
    // Sets `pendingPreview` and `replaceSessionId` to none.
    void dropPreview();

    CaptureViewModel& model_;
    bool replaceMode_ = false;
    QString replaceBinsText_;
    QSet<QString> selectedPrintings_;
    RecountBinMap binByPrinting_;
    std::optional<ScanReplaceResult> pendingPreview_;
    bool showReplaceConfirm_ = false;
    std::optional<LastRecountResult> lastRecountResult_;
    std::optional<QString> replaceSessionId_;
    std::optional<Snapshot> snapshot_;
    // The session whose replacement was sent but whose outcome is not known yet: a new
    // commit of it resumes polling instead of sending the replacement again.
    std::optional<QString> commitSent_;
    // The import record of the replacement sent, until the service's answer settles it.
    std::optional<QUuid> intentId_;
    bool isRecounting_ = false;
};

} // namespace vantry
