// The recount: the batch replaces the contents of bins in the inventory service.
#include "app/settings/CaptureConfig.h"
#include "app/batch/CaptureViewModel.h"
#include "app/batch/CaptureViewModelServiceState.h"
#include "core/recognition/Disposition.h"
#include "core/records/ImportLedgerStore.h"
#include "core/service/CaptureError.h"
#include "core/service/CommittedScan.h"
#include "core/service/ImportBin.h"
#include "core/service/ScanReplacePlanner.h"
#include "core/support/StdoutTrace.h"

#include <algorithm>

namespace vantry {

namespace {

// The plan the batch makes right now: the printings with a destination, the rows behind
// them, and the request.
struct RecountPlan {
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

// A preview or commit starts: its own guard, the busy flag and a cleared banner. The
// returned function ends it.
std::function<void()> beginRecount(CaptureViewModel& model, bool& guard)
{
    guard = true;
    model.beginWork();
    model.setImportError(std::nullopt);
    return [&model, &guard] {
        guard = false;
        model.endWork();
    };
}

} // namespace

bool CaptureViewModel::isRecounting() const { return service_ && service_->isRecounting; }

std::optional<QString> CaptureViewModel::pendingRecountCommit() const
{
    if (!service_)
        return std::nullopt;
    return service_->recountCommitSent;
}

void CaptureViewModel::toggleSelectedPrinting(const QString& itemId)
{
    QSet<QString> selection = selectedPrintings_;
    if (!selection.remove(itemId))
        selection.insert(itemId);
    setSelectedPrintings(std::move(selection));
}

void CaptureViewModel::selectAllPrintings()
{
    QSet<QString> selection;
    for (const ScanItemPayload& item : items())
        selection.insert(item.itemId);
    setSelectedPrintings(std::move(selection));
}

void CaptureViewModel::assignSelectedPrintings(const QString& bin)
{
    const QString trimmed = bin.trimmed();
    if (trimmed.isEmpty())
        return;
    BinMap destinations = binByPrinting_;
    for (const QString& itemId : selectedPrintings_)
        destinations[itemId] = trimmed;
    setBinByPrinting(std::move(destinations));
    setSelectedPrintings({});
    setPendingPreview(std::nullopt);
    replaceSessionId.reset();
}

void CaptureViewModel::clearAllAssignments()
{
    setBinByPrinting({});
    setSelectedPrintings({});
    setPendingPreview(std::nullopt);
    replaceSessionId.reset();
}

ScanReplaceTally::Result CaptureViewModel::replaceTally() const
{
    std::vector<ScanReplaceTally::Entry> entries;
    for (const ScanItemPayload& item : items())
        entries.push_back({item.itemId, item.count});
    return ScanReplaceTally::of(entries, binByPrinting_);
}

std::vector<QString> CaptureViewModel::knownBinNames() const
{
    std::vector<QString> names;
    for (const InventoryBinSummary& bin : inventoryBins_)
        names.push_back(bin.label);
    if (const std::optional<QString> importBin = ImportBin::location(bin_))
        names.push_back(*importBin);
    return names;
}

namespace {

template <class Rows>
RecountPlan planOf(const std::vector<ScanItemPayload>& allItems, const Rows& rows,
                   const CaptureViewModel::BinMap& binByPrinting, const QString& replaceBinsText, bool dryRun,
                   const std::vector<QString>& knownBins)
{
    RecountPlan plan;
    std::vector<QString> ids;
    for (const ScanItemPayload& item : allItems) {
        if (binByPrinting.contains(item.itemId)) {
            plan.items.push_back(item);
            ids.push_back(item.itemId);
        }
    }
    const QSet<QString> assigned(ids.begin(), ids.end());
    for (const auto& row : rows) {
        if (row.chosen && assigned.contains(scanItemId(*row.chosen)))
            plan.rowIds.push_back(row.id);
    }
    plan.request = ScanReplacePlanner::build(ids, binByPrinting, replaceBinsText, dryRun, knownBins);
    return plan;
}

const QString recountBlockedTitle = QStringLiteral("Recount blocked");

} // namespace

QCoro::Task<> CaptureViewModel::previewReplace()
{
    if (isRecounting())
        co_return;
    // A new session while the last one may still commit could replace the bins twice.
    if (pendingRecountCommit()) {
        setImportError(QStringLiteral("The last recount may still complete. Check it before a new preview."),
                       recountBlockedTitle);
        setStatusMessage(QStringLiteral("Recount blocked \u2014 see banner."));
        co_return;
    }
    const auto self = shared_from_this();
    ServiceState& state = service();
    const auto finish = beginRecount(*this, state.isRecounting);
    setPendingPreview(std::nullopt);
    setShowReplaceConfirm(false);
    replaceSessionId.reset();
    state.recountSnapshot.reset();

    RecountPlan plan = planOf(items(), rows_, binByPrinting_, replaceBinsText_, true, knownBinNames());
    if (!plan.request) {
        setImportError(QStringLiteral("Enter a bin to replace and assign each group a destination bin."),
                       recountBlockedTitle);
        setStatusMessage(QStringLiteral("Recount blocked \u2014 see banner."));
        finish();
        co_return;
    }
    if (config().workspaceId.isEmpty())
        co_await resolveDefaultWorkspace();
    const QString workspaceId = config().workspaceId;
    if (workspaceId.isEmpty()) {
        setImportError(QStringLiteral("No workspace configured, so this recount would target personal inventory "
                                      "\u2014 which is retired. Set your workspace in Settings, then try again."),
                       recountBlockedTitle);
        setStatusMessage(QStringLiteral("Recount blocked \u2014 no workspace (see banner)."));
        finish();
        co_return;
    }

    const VantryClient client = makeClient(workspaceId);
    std::optional<VantryClient::CommitReplaceOutcome> outcome;
    std::optional<QString> failure;
    try {
        outcome = co_await client.commitReplace(plan.items, *plan.request);
    } catch (const std::exception& e) {
        failure = describeImportFailure(e);
    }
    if (failure) {
        StdoutTrace::print(TraceTopic::recount, QStringLiteral("PREVIEW FAILED: ") + *failure);
        setImportError(*failure, QStringLiteral("Recount preview failed"));
        setStatusMessage(QStringLiteral("Recount preview failed \u2014 see the red banner."));
        finish();
        co_return;
    }

    ScanReplaceRequest committed = *plan.request;
    committed.dryRun = false;
    state.recountSnapshot =
        ServiceState::RecountSnapshot{outcome->sessionId, workspaceId, plan.rowIds, plan.itemCounts(), committed};
    replaceSessionId = outcome->sessionId;
    setPendingPreview(outcome->result);
    setShowReplaceConfirm(true);
    setStatusMessage(QStringLiteral("Recount preview: ") + QString::number(outcome->result.created) +
                     QStringLiteral(" new, ") + QString::number(outcome->result.retired) +
                     QStringLiteral(" to retire."));
    finish();
}

QCoro::Task<> CaptureViewModel::commitReplace()
{
    // A replacement already sent is only followed to its end, whatever the plan is now.
    const bool resume = service_ && service_->recountCommitSent && service_->recountSnapshot &&
                        service_->recountSnapshot->sessionId == *service_->recountCommitSent;
    if (!resume && !replaceSessionId) {
        setImportError(QStringLiteral("Preview the recount before committing."), recountBlockedTitle);
        co_return;
    }
    if (isRecounting())
        co_return;
    const auto self = shared_from_this();
    ServiceState& state = service();
    const auto finish = beginRecount(*this, state.isRecounting);

    // The commit sends the plan the preview showed, or nothing: any change of the rows,
    // printings, counts, bins or destinations since then needs a new preview.
    const QString sessionId = resume ? *state.recountCommitSent : *replaceSessionId;
    const RecountPlan plan = planOf(items(), rows_, binByPrinting_, replaceBinsText_, false, knownBinNames());
    const auto& snapshot = state.recountSnapshot;
    const bool valid = resume || (plan.request && snapshot && snapshot->sessionId == sessionId &&
                                  snapshot->request == *plan.request && snapshot->items == plan.itemCounts() &&
                                  snapshot->rowIds == plan.rowIds);
    if (!valid) {
        // The preview no longer describes the batch: the screen asks for a new one.
        setImportError(QStringLiteral("The recount is no longer valid \u2014 rebuild it."), recountBlockedTitle);
        setPendingPreview(std::nullopt);
        replaceSessionId.reset();
        state.recountSnapshot.reset();
        finish();
        co_return;
    }
    const QString workspaceId = snapshot->workspaceId;
    if (workspaceId.isEmpty()) {
        setImportError(QStringLiteral("No workspace configured \u2014 cannot commit the recount."), recountBlockedTitle);
        finish();
        co_return;
    }
    const std::vector<QUuid> rowIds = snapshot->rowIds;
    const ScanReplaceRequest request = snapshot->request;

    const VantryClient client = makeClient(workspaceId);
    LastRecountResult figures;
    std::optional<QString> failure;
    try {
        std::optional<ScanReplaceResult> reply;
        if (!resume) {
            state.recountCommitSent = sessionId; // from here on the outcome may be unknown
            reply = co_await client.importReplace(sessionId, request);
        }
        if (resume || reply->sessionStatus == QStringLiteral("committing")) {
            setStatusMessage(QStringLiteral("Recount committing\u2026"));
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
        failure = describeImportFailure(e);
        // Sent again only when the service said it did not take the replacement.
        if (isRefusal(e) || isNotApplied(e))
            state.recountCommitSent.reset();
    }
    if (failure) {
        StdoutTrace::print(TraceTopic::recount, QStringLiteral("COMMIT FAILED: ") + *failure);
        setImportError(*failure + (state.recountCommitSent
                                       ? QStringLiteral("\n\nThe recount may still complete on the server. Choose "
                                                        "\u201CCheck recount\u201D to follow it; nothing is sent again.")
                                       : QStringLiteral("\n\nNothing was replaced; the plan is kept.")),
                       state.recountCommitSent ? QStringLiteral("Recount outcome unknown")
                                               : QStringLiteral("Recount failed"));
        setStatusMessage(QStringLiteral("Recount commit failed \u2014 see the red banner."));
        finish();
        co_return;
    }
    state.recountCommitSent.reset();
    state.recountSnapshot.reset();

    QStringList bins(figures.binsWritten.begin(), figures.binsWritten.end());
    const QString binList = bins.join(QStringLiteral(", "));
    setLastImportedSession(sessionId);
    if (figures.figuresKnown) {
        setStatusMessage(QStringLiteral("Recount done: ") + QString::number(figures.created) +
                         QStringLiteral(" new, ") + QString::number(figures.retired) +
                         QStringLiteral(" retired \u2192 ") + binList + QStringLiteral("."));
        showToast(QStringLiteral("Recount: ") + QString::number(figures.created) + QStringLiteral(" added \u00B7 ") +
                  QString::number(figures.retired) + QStringLiteral(" retired \u2192 ") + binList);
    } else {
        StdoutTrace::print(TraceTopic::recount, QStringLiteral("SAVED WITHOUT FIGURES: scan session ") + sessionId);
        setStatusMessage(QStringLiteral("Recount done: figures unknown \u2192 ") + binList +
                         QStringLiteral(". The service saved it without reporting what it added and retired."));
        showToast(QStringLiteral("Recount: figures unknown \u2192 ") + binList);
    }

    // Only the rows the preview showed are recorded and leave the batch.
    const QSet<QUuid> recounted(rowIds.begin(), rowIds.end());
    std::vector<Row> committedRows;
    std::vector<Row> remaining;
    for (const Row& row : rows_)
        (recounted.contains(row.id) ? committedRows : remaining).push_back(row);
    std::vector<CommittedScan::ConfirmedRow> triples;
    for (const Row& row : committedRows)
        triples.push_back({row.id, row.contentHash, row.scanIdentityHash});
    const CommittedScan committed(triples);
    if (!committed.contentHashes.empty())
        ImportLedgerStore::record(committed.contentHashes);
    recordTrainingLabels(committedRows);
    setRows(std::move(remaining));

    setBinByPrinting({});
    setSelectedPrintings({});
    setPendingPreview(std::nullopt);
    setShowReplaceConfirm(false);
    replaceSessionId.reset();
    setImportError(std::nullopt);
    setLastRecountResult(figures);
    finish();
}

} // namespace vantry
