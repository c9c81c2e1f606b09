// The recount: the batch replaces the contents of bins in the inventory service.
#include "app/batch/BatchRecount.h"

#include "app/batch/CaptureViewModel.h"
#include "app/batch/ImportFlow.h"
#include "app/batch/ImportTexts.h"
#include "app/batch/InventoryBinList.h"
#include "app/batch/PublishedValue.h"
#include "app/settings/CaptureConfig.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "core/service/CaptureError.h"
#include "core/service/CommittedScan.h"
#include "core/service/ImportBin.h"
#include "core/service/ScanReplacePlanner.h"
#include "core/support/StdoutTrace.h"

#include <algorithm>

namespace vantry {

// The plan the batch makes right now: the printings with a destination, the rows behind
// them, and the request.
struct BatchRecount::Plan {
    std::vector<ScanItemPayload> items;
    std::vector<QUuid> rowIds;
    std::optional<ScanReplaceRequest> request;

    std::vector<std::pair<QString, int>> itemCounts() const
    {
        std::vector<std::pair<QString, int>> out;
        for (const ScanItemPayload& item : items)
            out.emplace_back(item.itemId, item.count);
        return out;
    }
};

namespace {

// The service refused the replacement itself: it was not applied, and may be sent again.
bool isRefusal(const std::exception& error)
{
    const auto* e = dynamic_cast<const CaptureError*>(&error);
    return e && e->is(CaptureError::Kind::http) && e->status() >= 400 && e->status() < 500 && e->status() != 408;
}

// The wait ended with the service's own word that the replacement did not take effect.
bool isNotApplied(const std::exception& error)
{
    const auto* e = dynamic_cast<const CaptureError*>(&error);
    return e && e->is(CaptureError::Kind::recountCommitFailed);
}

// The destination bins of a request, each once in the order of its assignments.
std::vector<QString> destinationsOf(const ScanReplaceRequest& request)
{
    std::vector<QString> bins;
    for (const ScanReplaceAssignment& a : request.assignments)
        if (std::find(bins.begin(), bins.end(), a.newBinId) == bins.end())
            bins.push_back(a.newBinId);
    return bins;
}

const QString recountBlockedTitle = QStringLiteral("Recount blocked");

} // namespace

BatchRecount::BatchRecount(CaptureViewModel& model) : QObject(&model), model_(model) {}

BatchRecount::~BatchRecount()
{
    // Nobody follows the replacement any more: its cards are held until the user settles it.
    if (intentId_)
        ImportIntentStore::instance().markUnknown(*intentId_);
}

// --- Published state ---------------------------------------------------------------------

void BatchRecount::setReplaceMode(bool value)
{
    publish(this, replaceMode_, value, &BatchRecount::replaceModeChanged);
    if (value && lastRecountResult_)
        setLastRecountResult(std::nullopt);
}

void BatchRecount::setReplaceBinsText(QString value)
{
    const QString old = std::exchange(replaceBinsText_, std::move(value));
    emit replaceBinsTextChanged();
    if (replaceBinsText_ != old && pendingPreview_)
        dropPreview();
}

void BatchRecount::setSelectedPrintings(QSet<QString> value)
{
    publish(this, selectedPrintings_, std::move(value), &BatchRecount::selectedPrintingsChanged);
}

void BatchRecount::setBinByPrinting(RecountBinMap value)
{
    publish(this, binByPrinting_, std::move(value), &BatchRecount::binByPrintingChanged);
}

void BatchRecount::setPendingPreview(std::optional<ScanReplaceResult> value)
{
    publish(this, pendingPreview_, std::move(value), &BatchRecount::pendingPreviewChanged);
}

void BatchRecount::setShowReplaceConfirm(bool value)
{
    publish(this, showReplaceConfirm_, value, &BatchRecount::showReplaceConfirmChanged);
}

void BatchRecount::setLastRecountResult(std::optional<LastRecountResult> value)
{
    publish(this, lastRecountResult_, std::move(value), &BatchRecount::lastRecountResultChanged);
}

void BatchRecount::dropPreview()
{
    setPendingPreview(std::nullopt);
    replaceSessionId_.reset();
}

// --- The user's edits --------------------------------------------------------------------

void BatchRecount::enterReplaceMode() { setReplaceMode(true); }

void BatchRecount::leaveReplaceMode() { setReplaceMode(false); }

void BatchRecount::editReplaceBinsText(QString text) { setReplaceBinsText(std::move(text)); }

void BatchRecount::toggleSelectedPrinting(const QString& itemId)
{
    QSet<QString> selection = selectedPrintings_;
    if (!selection.remove(itemId))
        selection.insert(itemId);
    setSelectedPrintings(std::move(selection));
}

void BatchRecount::selectAllPrintings()
{
    QSet<QString> selection;
    for (const ScanItemPayload& item : model_.items())
        selection.insert(item.itemId);
    setSelectedPrintings(std::move(selection));
}

void BatchRecount::clearSelectedPrintings() { setSelectedPrintings({}); }

void BatchRecount::assignSelectedPrintings(const QString& bin)
{
    const QString trimmed = bin.trimmed();
    if (trimmed.isEmpty())
        return;
    RecountBinMap destinations = binByPrinting_;
    for (const QString& itemId : selectedPrintings_)
        destinations[itemId] = trimmed;
    setBinByPrinting(std::move(destinations));
    setSelectedPrintings({});
    dropPreview();
}

void BatchRecount::unassignPrinting(const QString& itemId)
{
    // A direct edit of the plan: the preview no longer holds.
    RecountBinMap bins = binByPrinting_;
    bins.erase(itemId);
    QSet<QString> selection = selectedPrintings_;
    selection.remove(itemId);
    setBinByPrinting(std::move(bins));
    setSelectedPrintings(std::move(selection));
    dropPreview();
}

void BatchRecount::clearAllAssignments()
{
    setBinByPrinting({});
    setSelectedPrintings({});
    dropPreview();
}

void BatchRecount::requestReplaceConfirm() { setShowReplaceConfirm(true); }

void BatchRecount::dismissReplaceConfirm() { setShowReplaceConfirm(false); }

void BatchRecount::dismissRecountResult() { setLastRecountResult(std::nullopt); }

// --- Plan ----------------------------------------------------------------------------------

ScanReplaceTally::Result BatchRecount::replaceTally() const
{
    std::vector<ScanReplaceTally::Entry> entries;
    for (const ScanItemPayload& item : model_.items())
        entries.push_back({item.itemId, item.count});
    return ScanReplaceTally::of(entries, binByPrinting_);
}

std::vector<QString> BatchRecount::knownBinNames() const
{
    std::vector<QString> names;
    for (const InventoryBinSummary& bin : model_.binList()->inventoryBins())
        names.push_back(bin.label);
    if (const std::optional<QString> importBin = ImportBin::location(model_.bin()))
        names.push_back(*importBin);
    return names;
}

BatchRecount::Plan BatchRecount::plan(bool dryRun) const
{
    Plan plan;
    std::vector<QString> ids;
    for (const ScanItemPayload& item : model_.items()) {
        if (binByPrinting_.contains(item.itemId)) {
            plan.items.push_back(item);
            ids.push_back(item.itemId);
        }
    }
    const QSet<QString> assigned(ids.begin(), ids.end());
    for (const auto& row : model_.rows()) {
        if (row.chosen && assigned.contains(scanItemId(*row.chosen)))
            plan.rowIds.push_back(row.id);
    }
    plan.request = ScanReplacePlanner::build(ids, binByPrinting_, replaceBinsText_, dryRun, knownBinNames());
    return plan;
}

std::function<void()> BatchRecount::beginRecount()
{
    isRecounting_ = true;
    model_.beginWork();
    model_.setImportError(std::nullopt);
    return [this] {
        isRecounting_ = false;
        model_.endWork();
    };
}

void BatchRecount::blocked(const QString& message) { model_.setImportError(message, recountBlockedTitle); }

// --- Preview -------------------------------------------------------------------------------

QCoro::Task<> BatchRecount::previewReplace()
{
    if (isRecounting_)
        co_return;
    // A new session while the last one may still commit could replace the bins twice.
    if (commitSent_) {
        blocked(QStringLiteral("The last recount may still complete. Check it before a new preview."));
        model_.setStatusMessage(QStringLiteral("Recount blocked \u2014 see banner."));
        co_return;
    }
    const auto self = model_.shared_from_this();
    const auto finish = beginRecount();
    setPendingPreview(std::nullopt);
    setShowReplaceConfirm(false);
    replaceSessionId_.reset();
    snapshot_.reset();

    Plan plan = this->plan(true);
    if (!plan.request) {
        blocked(QStringLiteral("Enter a bin to replace and assign each group a destination bin."));
        model_.setStatusMessage(QStringLiteral("Recount blocked \u2014 see banner."));
        finish();
        co_return;
    }
    if (model_.config().workspaceId.isEmpty())
        co_await model_.resolveDefaultWorkspace();
    const QString workspaceId = model_.config().workspaceId;
    if (workspaceId.isEmpty()) {
        blocked(QStringLiteral("No workspace configured, so this recount would target personal inventory "
                               "\u2014 which is retired. Set your workspace in Settings, then try again."));
        model_.setStatusMessage(QStringLiteral("Recount blocked \u2014 no workspace (see banner)."));
        finish();
        co_return;
    }

    const VantryClient client = model_.makeClient(workspaceId);
    std::optional<VantryClient::CommitReplaceOutcome> outcome;
    std::optional<ImportOutcome::Failed> failure;
    try {
        outcome = co_await client.commitReplace(plan.items, *plan.request);
    } catch (const std::exception& e) {
        failure = ImportOutcome::Failed{CaptureViewModel::describeImportFailure(e), ImportTexts::notImportedCause(e)};
    }
    if (failure) {
        // A dry run: whatever failed, the inventory is as it was.
        StdoutTrace::print(TraceTopic::recount, QStringLiteral("PREVIEW FAILED: ") + failure->description);
        model_.setImportError(ImportTexts::previewNotRun(*failure), QStringLiteral("Recount preview failed"));
        model_.setStatusMessage(ImportTexts::previewNotRunStatus(*failure));
        finish();
        co_return;
    }

    ScanReplaceRequest committed = *plan.request;
    committed.dryRun = false;
    snapshot_ = Snapshot{outcome->sessionId, workspaceId, plan.rowIds, plan.itemCounts(), committed};
    replaceSessionId_ = outcome->sessionId;
    setPendingPreview(outcome->result);
    setShowReplaceConfirm(true);
    model_.setStatusMessage(QStringLiteral("Recount preview: ") + QString::number(outcome->result.created) +
                            QStringLiteral(" new, ") + QString::number(outcome->result.retired) +
                            QStringLiteral(" to retire."));
    finish();
}

// --- Commit --------------------------------------------------------------------------------

QCoro::Task<> BatchRecount::commitReplace()
{
    // A replacement already sent is only followed to its end, whatever the plan is now.
    const bool resume = commitSent_ && snapshot_ && snapshot_->sessionId == *commitSent_;
    if (!resume && !replaceSessionId_) {
        blocked(QStringLiteral("Preview the recount before committing."));
        co_return;
    }
    if (isRecounting_)
        co_return;
    const auto self = model_.shared_from_this();
    const auto finish = beginRecount();
    const std::optional<QString> sessionId = validCommitSession(resume);
    if (!sessionId) {
        finish();
        co_return;
    }
    if (!resume && !co_await writeIntent(*sessionId)) {
        finish();
        co_return;
    }
    const std::vector<QUuid> rowIds = snapshot_->rowIds;
    const std::optional<LastRecountResult> figures = co_await sendCommit(*sessionId, resume);
    if (figures)
        co_await recordCommitted(*sessionId, *figures, rowIds);
    finish();
}

QCoro::Task<bool> BatchRecount::writeIntent(QString sessionId)
{
    if (const std::optional<QString> error = co_await ImportFlow::readImportRecords()) {
        blocked(ImportTexts::recountRecordUnreadable(*error));
        model_.setStatusMessage(ImportTexts::recountBlockedStatus());
        co_return false;
    }
    if (!snapshot_ || snapshot_->sessionId != sessionId)
        co_return false; // the plan was dropped meanwhile
    // From the check to the reservation nothing suspends: no import takes these scans meanwhile.
    const QSet<QUuid> recounted(snapshot_->rowIds.begin(), snapshot_->rowIds.end());
    std::vector<CommittedScan::ConfirmedRow> triples;
    for (const CaptureViewModel::Row& row : model_.rows())
        if (recounted.contains(row.id))
            triples.push_back({row.id, row.contentHash, row.scanIdentityHash});
    const CommittedScan committed(triples);
    ImportIntentStore& intents = ImportIntentStore::instance();
    const ImportLedger ledger = *ImportLedgerStore::tryLoad();
    const bool taken = std::any_of(committed.contentHashes.begin(), committed.contentHashes.end(),
                                   [&](const QString& key) { return ledger.contains(key) || intents.holding(key); });
    if (taken) {
        blocked(ImportTexts::recountCardsImportedMeanwhile());
        model_.setStatusMessage(ImportTexts::recountBlockedStatus());
        dropPreview();
        snapshot_.reset();
        co_return false;
    }

    ImportIntent intent;
    intent.kind = ImportIntent::Kind::recount;
    intent.workspaceId = snapshot_->workspaceId;
    if (model_.config().workspaceId == snapshot_->workspaceId && !model_.config().workspaceName.isEmpty())
        intent.workspaceName = model_.config().workspaceName;
    const std::vector<QString> bins = destinationsOf(snapshot_->request);
    intent.bin = QStringList(bins.begin(), bins.end()).join(QStringLiteral(", "));
    intent.keys = committed.contentHashes;
    intent.printings = int(snapshot_->items.size());
    const QUuid id = intents.reserve(std::move(intent));
    if (const std::optional<QString> error = co_await intents.markSent(id, sessionId)) {
        StdoutTrace::print(TraceTopic::recount, QStringLiteral("NOT SENT: the import record cannot be written: ") + *error);
        blocked(ImportTexts::recountRecordUnwritable(*error));
        model_.setStatusMessage(ImportTexts::recountBlockedStatus());
        co_return false;
    }
    intentId_ = id;
    co_return true;
}

std::optional<QString> BatchRecount::validCommitSession(bool resume)
{
    // The commit sends the plan the preview showed, or nothing: any change of the rows,
    // printings, counts, bins or destinations since then needs a new preview.
    const QString sessionId = resume ? *commitSent_ : *replaceSessionId_;
    const Plan plan = this->plan(false);
    const bool valid = resume || (plan.request && snapshot_ && snapshot_->sessionId == sessionId &&
                                  snapshot_->request == *plan.request && snapshot_->items == plan.itemCounts() &&
                                  snapshot_->rowIds == plan.rowIds);
    if (!valid) {
        // The preview no longer describes the batch: the screen asks for a new one.
        blocked(QStringLiteral("The recount is no longer valid \u2014 rebuild it."));
        dropPreview();
        snapshot_.reset();
        return std::nullopt;
    }
    if (snapshot_->workspaceId.isEmpty()) {
        blocked(QStringLiteral("No workspace configured \u2014 cannot commit the recount."));
        return std::nullopt;
    }
    return sessionId;
}

QCoro::Task<std::optional<LastRecountResult>> BatchRecount::sendCommit(QString sessionId, bool resume)
{
    const ScanReplaceRequest request = snapshot_->request;
    const VantryClient client = model_.makeClient(snapshot_->workspaceId);
    LastRecountResult figures;
    std::optional<QString> failure;
    try {
        std::optional<ScanReplaceResult> reply;
        if (!resume) {
            commitSent_ = sessionId; // from here on the outcome may be unknown
            reply = co_await client.importReplace(sessionId, request);
        }
        if (resume || reply->sessionStatus == QStringLiteral("committing")) {
            model_.setStatusMessage(QStringLiteral("Recount committing\u2026"));
            const std::optional<ScanReplaceCommitResult> done = co_await client.awaitRecountCommit(
                sessionId, VantryClient::recountPollInterval, VantryClient::recountPollAttempts);
            // Saved without figures: the replacement happened, so the rows are recorded all the
            // same and the figures are said to be unknown.
            figures = done ? LastRecountResult{done->binsWritten, done->created, done->retired}
                           : LastRecountResult{destinationsOf(request), 0, 0, false};
        } else {
            figures = {reply->binsWritten, reply->created, reply->retired};
        }
    } catch (const std::exception& e) {
        failure = CaptureViewModel::describeImportFailure(e);
        // Sent again only when the service said it did not take the replacement.
        if (isRefusal(e) || isNotApplied(e))
            commitSent_.reset();
    }
    if (failure && !commitSent_ && intentId_)
        co_await ImportIntentStore::instance().release(*std::exchange(intentId_, std::nullopt));
    if (failure) {
        StdoutTrace::print(TraceTopic::recount, QStringLiteral("COMMIT FAILED: ") + *failure);
        model_.setImportError(*failure + (commitSent_
                                              ? QStringLiteral("\n\nThe recount may still complete on the server. "
                                                               "Choose \u201CCheck recount\u201D to follow it; "
                                                               "nothing is sent again.")
                                              : QStringLiteral("\n\nNothing was replaced; the plan is kept.")),
                              commitSent_ ? QStringLiteral("Recount outcome unknown")
                                          : QStringLiteral("Recount failed"));
        model_.setStatusMessage(QStringLiteral("Recount commit failed \u2014 see the red banner."));
        co_return std::nullopt;
    }
    co_return figures;
}

QCoro::Task<> BatchRecount::recordCommitted(QString sessionId, LastRecountResult figures, std::vector<QUuid> rowIds)
{
    commitSent_.reset();
    snapshot_.reset();

    QStringList bins(figures.binsWritten.begin(), figures.binsWritten.end());
    const QString binList = bins.join(QStringLiteral(", "));
    model_.setLastImportedSession(sessionId);
    // The recount is done once the ledger holds its scans; should that fail, the import record
    // keeps them counted as imported and tries again.
    std::optional<QString> notRecorded;
    if (intentId_)
        notRecorded = co_await ImportIntentStore::instance().settleImported(*std::exchange(intentId_, std::nullopt));
    if (notRecorded) {
        StdoutTrace::print(TraceTopic::recount, QStringLiteral("SAVED, NOT RECORDED: scan session ") + sessionId +
                                                    QStringLiteral(": ") + *notRecorded);
        model_.setStatusMessage(ImportTexts::recountNotRecordedStatus());
    } else if (figures.figuresKnown) {
        model_.setStatusMessage(QStringLiteral("Recount done: ") + QString::number(figures.created) +
                                QStringLiteral(" new, ") + QString::number(figures.retired) +
                                QStringLiteral(" retired \u2192 ") + binList + QStringLiteral("."));
        model_.showToast(QStringLiteral("Recount: ") + QString::number(figures.created) +
                         QStringLiteral(" added \u00B7 ") + QString::number(figures.retired) +
                         QStringLiteral(" retired \u2192 ") + binList);
    } else {
        StdoutTrace::print(TraceTopic::recount, QStringLiteral("SAVED WITHOUT FIGURES: scan session ") + sessionId);
        model_.setStatusMessage(QStringLiteral("Recount done: figures unknown \u2192 ") + binList +
                                QStringLiteral(". The service saved it without reporting what it added and "
                                               "retired."));
        model_.showToast(QStringLiteral("Recount: figures unknown \u2192 ") + binList);
    }

    // Only the rows the preview showed are recorded and leave the batch.
    const QSet<QUuid> recounted(rowIds.begin(), rowIds.end());
    std::vector<CaptureViewModel::Row> committedRows;
    std::vector<CaptureViewModel::Row> remaining;
    for (const CaptureViewModel::Row& row : model_.rows())
        (recounted.contains(row.id) ? committedRows : remaining).push_back(row);
    model_.recordTrainingLabels(committedRows);
    model_.setRows(std::move(remaining));

    setBinByPrinting({});
    setSelectedPrintings({});
    setPendingPreview(std::nullopt);
    setShowReplaceConfirm(false);
    replaceSessionId_.reset();
    if (notRecorded) {
        model_.setImportError(ImportTexts::recountNotRecorded(sessionId, binList, *notRecorded),
                              ImportTexts::recountNotRecordedTitle());
    } else {
        model_.setImportError(std::nullopt);
        setLastRecountResult(figures);
    }
    // The bins' figures shown beside the old-bin text changed with the recount.
    if (model_.binList()->inventoryBinsLoadedAt())
        model_.binList()->refresh();
}

} // namespace vantry
