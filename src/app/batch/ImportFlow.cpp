#include "app/batch/ImportFlow.h"

#include "app/batch/CaptureViewModelImportState.h"
#include "app/batch/ImportTexts.h"
#include "core/recognition/Disposition.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "core/service/CommittedScan.h"
#include "core/service/ImportBin.h"
#include "core/support/CPUWork.h"
#include "core/support/StdoutTrace.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace vantry {

namespace {

using Why = ImportOutcome::Blocked::Why;

ImportOutcome blocked(Why why, QString reason = {}, qint64 failedGroups = 0)
{
    return {ImportOutcome::Blocked{why, std::move(reason), failedGroups}};
}

QString countText(qint64 n) { return QString::number(n); }

QString scopeOf(const CaptureConfig& settings)
{
    return settings.workspaceName.isEmpty() ? settings.workspaceId : settings.workspaceName;
}

// The ledger keys of one row: its content hash, then its scan identity hash where it differs.
std::vector<QString> rowKeys(const CaptureViewModel::Row& row)
{
    return CommittedScan({{row.id, row.contentHash, row.scanIdentityHash}}).contentHashes;
}

// Confirmed rows sorted at the press of Import by what the local records know of their scans.
struct ImportSelection {
    std::vector<CaptureViewModel::Row> send;
    std::set<QUuid> alreadyImported; // in the ledger: imported by another tab meanwhile
    qint64 inFlight = 0;             // reserved by another import that is sending right now
    std::map<QString, qint64> held;  // held for that session
};

ImportSelection selectForImport(const std::vector<CaptureViewModel::Row>& rows, const ImportLedger& ledger,
                                const ImportIntentStore& intents, const QSet<QUuid>& rowsOfOwnImports)
{
    ImportSelection out;
    for (const CaptureViewModel::Row& row : rows) {
        if (!row.chosen)
            continue;
        const std::vector<QString> keys = rowKeys(row);
        if (std::any_of(keys.begin(), keys.end(), [&](const QString& k) { return ledger.contains(k); })) {
            out.alreadyImported.insert(row.id);
            continue;
        }
        const ImportIntent* holder = nullptr;
        for (const QString& key : keys)
            if ((holder = intents.holding(key)))
                break;
        if (holder || rowsOfOwnImports.contains(row.id)) {
            if (holder && holder->state == ImportIntent::State::sent && !intents.isInFlight(holder->id))
                ++out.held[holder->sessionId.value_or(QStringLiteral("unknown"))];
            else
                ++out.inFlight;
            continue;
        }
        out.send.push_back(row);
    }
    return out;
}

void traceNotSent(const QString& error)
{
    StdoutTrace::print(TraceTopic::import, QStringLiteral("NOT SENT: the import record cannot be written: ") + error);
}

} // namespace

QCoro::Task<std::optional<QString>> ImportFlow::readImportRecords()
{
    // Off the main thread: the first read loads the file.
    auto readLedger = [] {
        QString error;
        return ImportLedgerStore::tryLoad(&error) ? std::optional<QString>() : std::optional<QString>(error);
    };
    if (std::optional<QString> error = co_await CPUWork::run(std::move(readLedger)))
        co_return error;
    co_return ImportIntentStore::instance().ensureLoaded();
}

ImportFlow::ImportFlow(CaptureViewModel& model) : model_(model), intents_(ImportIntentStore::instance()) {}

QCoro::Task<ImportOutcome> ImportFlow::run()
{
    if (std::optional<ImportOutcome> notReady = co_await checkRecords())
        co_return std::move(*notReady);

    // From the check to the reservation nothing suspends: two tabs never both take a scan.
    const std::vector<Row> confirmed = select();
    if (confirmed.empty())
        co_return ImportOutcome{ImportOutcome::NothingSent{notes_}};
    reserve(confirmed);

    // A disk that cannot take the record stops the import before its first request.
    if (const std::optional<QString> error = co_await intents_.writeReservation(intentId_)) {
        model_.importState().sentImports.erase(intentId_);
        traceNotSent(*error);
        co_return blocked(Why::recordUnwritable, *error);
    }

    auto render = [sources = sources_] { return ScanEvidenceUploadBuilder::build(sources); };
    ScanEvidenceUploadBuildResult evidence = co_await CPUWork::run(std::move(render));
    if (!evidence.failedPaths.empty()) {
        co_await abandon();
        co_return blocked(Why::evidenceUnprepared, evidence.failedPaths.front(), qint64(evidence.failedPaths.size()));
    }

    Reply reply = co_await send(std::move(evidence.uploads));
    co_return co_await conclude(std::move(reply));
}

// The workspace (the user's first one when none is set) and readable local records.
QCoro::Task<std::optional<ImportOutcome>> ImportFlow::checkRecords()
{
    if (model_.config().workspaceId.isEmpty())
        co_await model_.resolveDefaultWorkspace();
    settings_ = model_.config();
    location_ = ImportBin::location(model_.bin());
    scope_ = scopeOf(settings_);
    if (settings_.workspaceId.isEmpty())
        co_return blocked(Why::noWorkspace);

    // Confirmed imports whose keys the ledger still lacks get another try first.
    co_await intents_.retryUnrecorded();
    // The local records must be readable: a ledger taken for empty would send cards twice.
    if (const std::optional<QString> error = co_await readImportRecords())
        co_return blocked(Why::recordUnreadable, *error);
    co_return std::nullopt;
}

// The confirmed rows that may be sent. Rows the ledger knows leave the batch; rows held or being
// sent by an import stay, with a note.
std::vector<CaptureViewModel::Row> ImportFlow::select()
{
    QSet<QUuid> rowsOfOwnImports;
    for (const auto& [intentId, sent] : model_.importState().sentImports)
        for (const Row& row : sent.confirmed)
            rowsOfOwnImports.insert(row.id);
    ImportSelection selection =
        selectForImport(model_.rows(), *ImportLedgerStore::tryLoad(), intents_, rowsOfOwnImports);
    if (!selection.alreadyImported.empty()) {
        // A row changed while its import ran went in as it was sent; its change is never sent.
        const QSet<QUuid>& changed = model_.importState().importedThenChanged;
        const qint64 changedRows = std::count_if(selection.alreadyImported.begin(), selection.alreadyImported.end(),
                                                 [&](const QUuid& id) { return changed.contains(id); });
        model_.removeRows(selection.alreadyImported);
        if (changedRows > 0)
            notes_ << ImportTexts::droppedImportedBeforeChange(changedRows);
        if (qint64(selection.alreadyImported.size()) > changedRows)
            notes_ << ImportTexts::droppedAlreadyImported(qint64(selection.alreadyImported.size()) - changedRows);
    }
    for (const auto& [sessionId, count] : selection.held)
        notes_ << ImportTexts::leftOutHeld(count, sessionId);
    if (selection.inFlight > 0)
        notes_ << ImportTexts::leftOutInFlight(selection.inFlight);
    return std::move(selection.send);
}

// The items and evidence of the confirmed rows, and their reservation: the intent (in memory
// until written) and what the batch records once the service confirms.
void ImportFlow::reserve(const std::vector<Row>& confirmed)
{
    std::vector<CommittedScan::ConfirmedRow> triples;
    std::vector<Candidate> chosenCards;
    CaptureViewModel::ImportState::SentImport sent;
    for (const Row& row : confirmed) {
        triples.push_back({row.id, row.contentHash, row.scanIdentityHash});
        const QString itemId = scanItemId(*row.chosen);
        sent.itemIdByRow.insert(row.id, itemId);
        chosenCards.push_back(*row.chosen);
        if (!row.isManual)
            sources_.push_back({itemId, row.card.front, row.contentHash});
    }
    const CommittedScan committed(triples);
    const AuthService* auth = model_.auth();
    const QString addedBy = auth && auth->email() && !auth->email()->isEmpty() ? *auth->email()
                                                                              : QStringLiteral("scanner");
    items_ = aggregateItems(chosenCards, addedBy, settings_.defaultCondition, settings_.defaultAcquisitionCost);

    ImportIntent reservation;
    reservation.workspaceId = settings_.workspaceId;
    if (!settings_.workspaceName.isEmpty())
        reservation.workspaceName = settings_.workspaceName;
    reservation.bin = location_;
    reservation.keys = committed.contentHashes;
    reservation.printings = int(items_.size());
    intentId_ = intents_.reserve(std::move(reservation));
    sent.confirmed = confirmed;
    sent.settings = settings_;
    sent.location = location_;
    model_.importState().sentImports.emplace(intentId_, sent);
}

QCoro::Task<> ImportFlow::abandon()
{
    model_.importState().sentImports.erase(intentId_);
    co_await intents_.release(intentId_);
}

// The commit: session, items, evidence, and the import call once the intent is marked sent.
QCoro::Task<ImportFlow::Reply> ImportFlow::send(std::vector<ScanEvidenceUpload> uploads)
{
    const VantryClient client = model_.makeClient(settings_, settings_.workspaceId);
    const AuthService* auth = model_.auth();
    const QString user = auth && auth->email() ? *auth->email() : QStringLiteral("?");
    StdoutTrace::print(TraceTopic::import, QStringLiteral("start: ") + countText(qint64(items_.size())) +
                                               QStringLiteral(" printings \u00B7 scope=") + scope_ +
                                               QStringLiteral(" \u00B7 bin=") + location_.value_or(QStringLiteral("none")) +
                                               QStringLiteral(" \u00B7 user=") + user);

    const ImportDefaults defaults{settings_.defaultCondition, settings_.defaultAcquisitionCost};
    // The intent is on disk, synced, before the import call may go out.
    auto writeAhead = [&intents = intents_, intentId = intentId_](QString sessionId) {
        return intents.markSent(intentId, sessionId);
    };
    Reply reply;
    try {
        reply.result = co_await client.commit(items_, location_, defaults, std::move(uploads), writeAhead);
    } catch (const VantryClient::ImportWithheld& e) {
        reply.withheld = e.reason;
    } catch (const std::exception& e) {
        reply.failure = CaptureViewModel::describeImportFailure(e);
        reply.refused = VantryClient::provesNothingImported(e);
        reply.cause = ImportTexts::notImportedCause(e);
    }
    co_return reply;
}

// What the reply proves: nothing sent, nothing imported, unknown, or saved.
QCoro::Task<ImportOutcome> ImportFlow::conclude(Reply reply)
{
    if (reply.withheld) {
        model_.importState().sentImports.erase(intentId_); // markSent forgot the intent already
        traceNotSent(*reply.withheld);
        co_return blocked(Why::recordUnwritable, *reply.withheld);
    }
    const ImportIntent* intent = intents_.find(intentId_);
    const bool importCallWentOut = intent && intent->state == ImportIntent::State::sent;
    if (reply.failure && (!importCallWentOut || reply.refused)) {
        // Nothing reached the inventory: the cards are free to be sent again.
        StdoutTrace::print(TraceTopic::import, QStringLiteral("FAILED: ") + *reply.failure);
        co_await abandon();
        co_return ImportOutcome{ImportOutcome::Failed{*reply.failure, reply.cause}};
    }

    const QString sessionId =
        intent && intent->sessionId ? *intent->sessionId : reply.result ? reply.result->sessionId : QString();
    model_.importState().sentImports[intentId_].sessionId = sessionId;
    model_.setLastImportedSession(sessionId);

    if (reply.failure || !reply.result->isConfirmed())
        co_return co_await hold(reply, sessionId);

    const int imported = reply.result->imported;
    if (imported < 1) {
        // The service says it saved nothing: the cards may be sent again.
        co_await abandon();
        StdoutTrace::print(TraceTopic::import, QStringLiteral("SERVER SAVED 0 \u00B7 session=") + sessionId +
                                                   QStringLiteral(" \u00B7 sent ") + countText(qint64(items_.size())) +
                                                   QStringLiteral(" printings to ") + scope_);
        co_return ImportOutcome{ImportOutcome::SavedNothing{sessionId}};
    }
    co_return co_await record(sessionId, imported);
}

// The import call went out and nothing proves it was not applied: the cards are held until the
// service's session record or the user settles it.
QCoro::Task<ImportOutcome> ImportFlow::hold(const Reply& reply, QString sessionId)
{
    QString reason;
    if (reply.failure) {
        StdoutTrace::print(TraceTopic::import, QStringLiteral("FAILED: ") + *reply.failure);
        reason = *reply.failure;
    } else {
        const bool unreadable = reply.result->count == ImportResponse::CountKind::unreadable;
        StdoutTrace::print(TraceTopic::import, QStringLiteral("OUTCOME UNKNOWN \u00B7 session=") + sessionId +
                                                   (unreadable ? QStringLiteral(" \u00B7 reply unreadable")
                                                               : QStringLiteral(" \u00B7 reply without a count")));
        reason = unreadable ? ImportTexts::replyUnreadableReason() : ImportTexts::replyWithoutCountReason();
    }
    model_.importState().sentImports[intentId_].failure = reason;
    intents_.beginServiceCheck(intentId_);
    if (const ImportIntent* now = intents_.find(intentId_))
        if (std::optional<ImportOutcome> settled = co_await settleIfServiceImported(model_, *now))
            co_return std::move(*settled);
    intents_.markUnknown(intentId_);
    co_return ImportOutcome{ImportOutcome::Unknown{sessionId}};
}

// The service saved cards: the batch records them, and the outcome is told once the ledger holds
// their scans.
QCoro::Task<ImportOutcome> ImportFlow::record(QString sessionId, int imported)
{
    const int sentCount = int(items_.size());
    const std::optional<CaptureViewModel::ImportedBatch> done = model_.applyImported(intentId_, sessionId);
    StdoutTrace::print(TraceTopic::import, QStringLiteral("OK \u00B7 session=") + sessionId +
                                               QStringLiteral(" \u00B7 server imported ") + countText(imported) +
                                               QStringLiteral(" printings into ") + scope_ + QLatin1Char('/') +
                                               location_.value_or(QStringLiteral("no-bin")));
    ImportOutcome::Saved saved{.sessionId = sessionId, .imported = imported, .sent = sentCount, .scope = scope_,
                                .location = location_};
    saved.committedRows = done ? done->committedRows : 0;
    saved.manifestFailure = done ? done->manifestFailure : std::nullopt;
    saved.notes = notes_;
    if (std::optional<QString> error = co_await intents_.settleImported(intentId_)) {
        saved.notRecorded = std::move(error);
        co_return ImportOutcome{std::move(saved)};
    }
    if (imported < sentCount)
        StdoutTrace::print(TraceTopic::import, QStringLiteral("SHORTFALL \u00B7 session=") + sessionId +
                                                   QStringLiteral(" \u00B7 saved ") + countText(imported) +
                                                   QStringLiteral(" of ") + countText(sentCount));
    co_return ImportOutcome{std::move(saved)};
}

QCoro::Task<std::optional<ImportOutcome>> ImportFlow::settleIfServiceImported(CaptureViewModel& model,
                                                                              ImportIntent intent)
{
    const auto self = model.shared_from_this();
    if (!intent.sessionId)
        co_return std::nullopt;
    const VantryClient client = model.makeClient(intent.workspaceId);
    std::optional<ScanSessionPoll> poll;
    try {
        poll = co_await client.getSession(*intent.sessionId);
    } catch (const std::exception& e) {
        StdoutTrace::print(TraceTopic::import, QStringLiteral("session check failed \u00B7 session=") +
                                                   *intent.sessionId + QStringLiteral(": ") + QString::fromUtf8(e.what()));
        co_return std::nullopt;
    }
    // Only the service's own word that the session was imported (a recount: saved) settles it
    // without the user.
    const bool recount = intent.kind == ImportIntent::Kind::recount;
    if (poll->status != (recount ? QLatin1String("saved") : QLatin1String("imported")))
        co_return std::nullopt;
    StdoutTrace::print(TraceTopic::import, QStringLiteral("SETTLED \u00B7 session=") + *intent.sessionId +
                                               QStringLiteral(" \u00B7 the service reports it imported"));
    const bool ofThisBatch = model.importState().sentImports.count(intent.id) > 0;
    model.applyImported(intent.id, *intent.sessionId);
    ImportOutcome::SettledByService settled{*intent.sessionId, intent.printings};
    settled.recount = recount;
    settled.ofThisBatch = ofThisBatch;
    settled.notRecorded = co_await ImportIntentStore::instance().settleImported(intent.id);
    co_return ImportOutcome{std::move(settled)};
}

} // namespace vantry
