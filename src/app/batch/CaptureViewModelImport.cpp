// The import of a batch into the inventory service, and the automatic import.
#include "app/settings/CaptureConfig.h"
#include "app/batch/CaptureViewModel.h"
#include "app/batch/CaptureViewModelImportState.h"
#include "core/recognition/Disposition.h"
#include "app/batch/ImportTexts.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "core/records/ScanManifestStore.h"
#include "core/records/TrainingDataStore.h"
#include "core/service/CaptureError.h"
#include "core/service/CommittedScan.h"
#include "core/service/ImportBin.h"
#include "core/service/ScanEvidenceUploadBuilder.h"
#include "core/support/CPUWork.h"
#include "core/support/Json.h"
#include "core/support/StdoutTrace.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace vantry {

namespace {

// A service body can be megabytes (an error page); the banner shows its start.
constexpr qsizetype bannerBodyLimit = 2000;

QString bannerBody(const QString& body)
{
    if (body.size() <= bannerBodyLimit)
        return body;
    return body.left(bannerBodyLimit) + QStringLiteral("\u2026 (") + QString::number(body.size()) +
           QStringLiteral(" characters)");
}

QString httpMessage(int status)
{
    switch (status) {
    case 400:
    case 422: return QStringLiteral("The server rejected the request body.");
    case 401:
        return QStringLiteral(
            "Not signed in (session expired). Open Settings, sign out, then sign back in, and import again.");
    case 403: return QStringLiteral("Access denied for this scope/bin. Check the workspace in Settings.");
    case 404: return QStringLiteral("Endpoint or session not found \u2014 check the API URL in Settings.");
    case 409: return QStringLiteral("The scan session was in the wrong state. Re-run the import.");
    default: return QStringLiteral("The server returned an error.");
    }
}

QString checkSessionText(const QString& sessionId)
{
    return QStringLiteral("The service may already hold part or all of this in scan session ") + sessionId +
           QStringLiteral(". Check that session in your inventory before trying again.");
}

QString countText(qint64 n) { return QString::number(n); }

QString appVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral("dev") : version;
}

} // namespace

QString CaptureViewModel::describeImportFailure(const std::exception& error)
{
    if (const auto* e = dynamic_cast<const CaptureError*>(&error)) {
        if (e->is(CaptureError::Kind::http)) {
            QString text = httpMessage(e->status()) + QStringLiteral("\n\n") + e->method() + QLatin1Char(' ') +
                           e->path() + QStringLiteral("\nHTTP ") + QString::number(e->status()) +
                           QLatin1Char('\n') + bannerBody(e->body());
            if (e->sessionId())
                text += QStringLiteral("\n\n") + checkSessionText(*e->sessionId());
            return text;
        }
        QString text = e->description();
        if (e->sessionId())
            text += QStringLiteral("\n\n") + checkSessionText(*e->sessionId());
        return text;
    }
    if (dynamic_cast<const json::Error*>(&error))
        return QStringLiteral("The server's reply could not be read: ") + QString::fromUtf8(error.what());
    return QString::fromUtf8(error.what());
}

// What `applyImported` did, for the texts of its caller.
struct CaptureViewModel::ImportedBatch {
    qint64 committedRows = 0;
    std::optional<QString> manifestFailure;
    CaptureConfig settings;
    std::optional<QString> location;
};

namespace {

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

// Reads the ledger (off the main thread: the first read loads the file) and the intents; none,
// or why they cannot be read.
QCoro::Task<std::optional<QString>> readImportRecords()
{
    auto readLedger = [] {
        QString error;
        return ImportLedgerStore::tryLoad(&error) ? std::optional<QString>() : std::optional<QString>(error);
    };
    if (std::optional<QString> error = co_await CPUWork::run(std::move(readLedger)))
        co_return error;
    co_return ImportIntentStore::instance().ensureLoaded();
}

} // namespace

std::optional<QString> CaptureViewModel::uncertainImportSession() const
{
    if (!importState_)
        return std::nullopt;
    for (const ImportIntent& intent : ImportIntentStore::instance().held())
        if (importState_->sentImports.count(intent.id))
            return intent.sessionId;
    return std::nullopt;
}

std::vector<ImportIntent> CaptureViewModel::heldImports() const { return ImportIntentStore::instance().held(); }

std::optional<QString> CaptureViewModel::heldImportReason(const QUuid& intentId) const
{
    if (!importState_)
        return std::nullopt;
    const auto it = importState_->sentImports.find(intentId);
    return it == importState_->sentImports.end() ? std::nullopt : it->second.failure;
}

QCoro::Task<> CaptureViewModel::importToInventory()
{
    if (!hasConfirmedRows()) {
        setStatusMessage(QStringLiteral("Nothing confirmed to import."));
        co_return;
    }
    if (isImporting_)
        co_return;
    const auto self = shared_from_this();
    setIsImporting(true);
    co_await runImport();
    setIsImporting(false);
    // An automatic import that found this one running gets its turn now.
    if (auto deferred = std::exchange(importState().deferredAutoImport, std::nullopt))
        co_await autoImportIfReady(std::move(*deferred));
}

QCoro::Task<> CaptureViewModel::runImport()
{
    if (config().workspaceId.isEmpty())
        co_await resolveDefaultWorkspace();
    const CaptureConfig settings = config();
    const std::optional<QString> location = ImportBin::location(bin_);
    const QString scope = scopeOf(settings);
    if (settings.workspaceId.isEmpty()) {
        setImportError(QStringLiteral("No workspace configured, so these cards would go to personal inventory "
                                      "\u2014 which is retired. Open Settings, set your workspace, then import "
                                      "again."),
                       ImportTexts::blockedTitle());
        setStatusMessage(QStringLiteral("Import blocked \u2014 no workspace (see banner)."));
        co_return;
    }

    ImportIntentStore& intents = ImportIntentStore::instance();
    // Confirmed imports whose keys the ledger still lacks get another try first.
    co_await intents.retryUnrecorded();
    // The local records must be readable: a ledger taken for empty would send cards twice.
    if (const std::optional<QString> error = co_await readImportRecords()) {
        setImportError(ImportTexts::recordUnreadable(*error), ImportTexts::blockedTitle());
        setStatusMessage(ImportTexts::recordUnreadableStatus());
        co_return;
    }

    // From the check to the reservation nothing suspends: two tabs never both take a scan.
    QSet<QUuid> rowsOfOwnImports;
    for (const auto& [intentId, sent] : importState().sentImports)
        for (const Row& row : sent.confirmed)
            rowsOfOwnImports.insert(row.id);
    const ImportSelection selection =
        selectForImport(rows_, *ImportLedgerStore::tryLoad(), intents, rowsOfOwnImports);
    QStringList notes;
    if (!selection.alreadyImported.empty()) {
        std::vector<Row> remaining;
        for (const Row& row : rows_)
            if (!selection.alreadyImported.count(row.id))
                remaining.push_back(row);
        setRows(std::move(remaining));
        notes << ImportTexts::droppedAlreadyImported(qint64(selection.alreadyImported.size()));
    }
    for (const auto& [sessionId, count] : selection.held)
        notes << ImportTexts::leftOutHeld(count, sessionId);
    if (selection.inFlight > 0)
        notes << ImportTexts::leftOutInFlight(selection.inFlight);
    const std::vector<Row>& confirmed = selection.send;
    if (confirmed.empty()) {
        setStatusMessage(notes.isEmpty() ? QStringLiteral("Nothing confirmed to import.")
                                         : (QStringList{ImportTexts::nothingLeftToSend()} + notes).join(u' '));
        co_return;
    }

    std::vector<CommittedScan::ConfirmedRow> triples;
    std::vector<ScanEvidenceUploadSource> sources;
    std::vector<Candidate> chosenCards;
    ImportState::SentImport sent;
    for (const Row& row : confirmed) {
        triples.push_back({row.id, row.contentHash, row.scanIdentityHash});
        const QString itemId = scanItemId(*row.chosen);
        sent.itemIdByRow.insert(row.id, itemId);
        chosenCards.push_back(*row.chosen);
        if (!row.isManual)
            sources.push_back({itemId, row.card.front, row.contentHash});
    }
    const CommittedScan committed(triples);
    const QString addedBy = auth_ && auth_->email() && !auth_->email()->isEmpty() ? *auth_->email()
                                                                                : QStringLiteral("scanner");
    const std::vector<ScanItemPayload> items =
        aggregateItems(chosenCards, addedBy, settings.defaultCondition, settings.defaultAcquisitionCost);

    ImportIntent reservation;
    reservation.workspaceId = settings.workspaceId;
    if (!settings.workspaceName.isEmpty())
        reservation.workspaceName = settings.workspaceName;
    reservation.bin = location;
    reservation.keys = committed.contentHashes;
    reservation.printings = int(items.size());
    const QUuid intentId = intents.reserve(std::move(reservation));
    sent.confirmed = confirmed;
    sent.settings = settings;
    sent.location = location;
    importState().sentImports.emplace(intentId, sent);
    // Ends the reservation of an import that never reached its import call.
    auto abandon = [this, intentId, &intents]() -> QCoro::Task<> {
        importState().sentImports.erase(intentId);
        co_await intents.release(intentId);
    };

    // A disk that cannot take the record stops the import before its first request.
    if (const std::optional<QString> error = co_await intents.writeReservation(intentId)) {
        importState().sentImports.erase(intentId);
        StdoutTrace::print(TraceTopic::import, QStringLiteral("NOT SENT: the import record cannot be written: ") + *error);
        setImportError(ImportTexts::recordUnwritable(*error), ImportTexts::blockedTitle());
        setStatusMessage(ImportTexts::recordUnwritableStatus());
        co_return;
    }

    auto render = [sources] { return ScanEvidenceUploadBuilder::build(sources); };
    ScanEvidenceUploadBuildResult evidence = co_await CPUWork::run(std::move(render));
    if (!evidence.failedPaths.empty()) {
        co_await abandon();
        const auto n = qint64(evidence.failedPaths.size());
        setImportError(QStringLiteral("Could not prepare scan evidence for ") + countText(n) +
                           QStringLiteral(" imported scan group") + (n == 1 ? QString() : QStringLiteral("s")) +
                           QStringLiteral(". Nothing was imported. First failed file: ") + evidence.failedPaths.front(),
                       ImportTexts::blockedTitle());
        setStatusMessage(QStringLiteral("Import blocked - scan evidence could not be prepared."));
        co_return;
    }

    const VantryClient client = makeClient(settings, settings.workspaceId);
    const QString user = auth_ && auth_->email() ? *auth_->email() : QStringLiteral("?");
    StdoutTrace::print(TraceTopic::import, QStringLiteral("start: ") + countText(qint64(items.size())) +
                                               QStringLiteral(" printings \u00B7 scope=") + scope +
                                               QStringLiteral(" \u00B7 bin=") + location.value_or(QStringLiteral("none")) +
                                               QStringLiteral(" \u00B7 user=") + user);

    const ImportDefaults defaults{settings.defaultCondition, settings.defaultAcquisitionCost};
    // The intent is on disk, synced, before the import call may go out.
    auto writeAhead = [&intents, intentId](QString sessionId) { return intents.markSent(intentId, sessionId); };
    std::optional<ImportResult> result;
    std::optional<QString> failure;
    std::optional<QString> withheld;
    bool refused = false;
    try {
        result = co_await client.commit(items, location, defaults, std::move(evidence.uploads), writeAhead);
    } catch (const VantryClient::ImportWithheld& e) {
        withheld = e.reason;
    } catch (const std::exception& e) {
        failure = describeImportFailure(e);
        refused = VantryClient::provesNothingImported(e);
    }

    if (withheld) {
        importState().sentImports.erase(intentId); // markSent forgot the intent already
        StdoutTrace::print(TraceTopic::import, QStringLiteral("NOT SENT: the import record cannot be written: ") + *withheld);
        setImportError(ImportTexts::recordUnwritable(*withheld), ImportTexts::blockedTitle());
        setStatusMessage(ImportTexts::recordUnwritableStatus());
        co_return;
    }
    const ImportIntent* intent = intents.find(intentId);
    const bool importCallWentOut = intent && intent->state == ImportIntent::State::sent;
    if (failure && (!importCallWentOut || refused)) {
        // Nothing reached the inventory: the cards are free to be sent again.
        StdoutTrace::print(TraceTopic::import, QStringLiteral("FAILED: ") + *failure);
        co_await abandon();
        setImportError(*failure, ImportTexts::failedTitle());
        setStatusMessage(QStringLiteral("Import failed \u2014 see the red banner for details."));
        co_return;
    }

    const QString sessionId = intent && intent->sessionId ? *intent->sessionId : result ? result->sessionId : QString();
    importState().sentImports[intentId].sessionId = sessionId;
    setLastImportedSession(sessionId);

    if (failure || !result->isConfirmed()) {
        // The import call went out and nothing proves it was not applied: the cards are held
        // until the service's session record or the user settles it.
        QString reason;
        if (failure) {
            StdoutTrace::print(TraceTopic::import, QStringLiteral("FAILED: ") + *failure);
            reason = *failure;
        } else {
            const bool unreadable = result->count == ImportResponse::CountKind::unreadable;
            StdoutTrace::print(TraceTopic::import, QStringLiteral("OUTCOME UNKNOWN \u00B7 session=") + sessionId +
                                                       (unreadable ? QStringLiteral(" \u00B7 reply unreadable")
                                                                   : QStringLiteral(" \u00B7 reply without a count")));
            reason = unreadable ? QStringLiteral("The service took the import but its reply could not be read.")
                                : QStringLiteral("The service took the import but its reply did not say how many "
                                                 "cards it saved.");
        }
        importState().sentImports[intentId].failure = reason;
        intents.beginServiceCheck(intentId);
        if (const ImportIntent* now = intents.find(intentId); now && co_await settleIfServiceImported(*now))
            co_return;
        intents.markUnknown(intentId);
        setImportError(std::nullopt);
        setStatusMessage(ImportTexts::unknownStatus(sessionId));
        co_return;
    }

    const int imported = result->imported;
    const int sentCount = int(items.size());
    if (imported < 1) {
        // The service says it saved nothing: the cards may be sent again.
        co_await abandon();
        StdoutTrace::print(TraceTopic::import, QStringLiteral("SERVER SAVED 0 \u00B7 session=") + sessionId +
                                                   QStringLiteral(" \u00B7 sent ") + countText(sentCount) +
                                                   QStringLiteral(" printings to ") + scope);
        setImportError(QStringLiteral("The server accepted the request but saved 0 cards (session ") + sessionId +
                           QStringLiteral("). Nothing was imported \u2014 your cards are still here to retry. Send me "
                                          "this session id."),
                       ImportTexts::savedNothingTitle());
        setStatusMessage(QStringLiteral("Import saved 0 cards \u2014 see banner."));
        co_return;
    }

    const std::optional<ImportedBatch> done = applyImported(intentId, sessionId);
    StdoutTrace::print(TraceTopic::import, QStringLiteral("OK \u00B7 session=") + sessionId +
                                               QStringLiteral(" \u00B7 server imported ") + countText(imported) +
                                               QStringLiteral(" printings into ") + scope + QLatin1Char('/') +
                                               location.value_or(QStringLiteral("no-bin")));
    // The outcome is told once the ledger holds the scans.
    if (const std::optional<QString> error = co_await intents.settleImported(intentId)) {
        setImportError(ImportTexts::notRecorded(sessionId, imported, *error), ImportTexts::notRecordedTitle());
        setStatusMessage(ImportTexts::notRecordedStatus(imported));
        co_return;
    }
    if (imported < sentCount) {
        StdoutTrace::print(TraceTopic::import, QStringLiteral("SHORTFALL \u00B7 session=") + sessionId +
                                                   QStringLiteral(" \u00B7 saved ") + countText(imported) +
                                                   QStringLiteral(" of ") + countText(sentCount));
        setImportError(ImportTexts::shortfall(sessionId, imported, sentCount), ImportTexts::shortfallTitle());
        setStatusMessage(ImportTexts::shortfallStatus(imported, sentCount));
        co_return;
    }
    if (done && done->manifestFailure)
        setImportError(QStringLiteral("Imported successfully, but could not write the local scan manifest for "
                                      "evaluation: ") +
                           *done->manifestFailure,
                       ImportTexts::manifestNotWrittenTitle());
    else
        setImportError(std::nullopt);

    const auto left = qint64(rows_.size());
    const QString binText = location.value_or(QStringLiteral("(none)"));
    if (left == 0) {
        setStatusMessage(QStringLiteral("Imported ") + countText(imported) + QStringLiteral(" printings into ") +
                         scope + QStringLiteral(" bin ") + binText + QStringLiteral(". Ready for the next batch."));
    } else {
        setStatusMessage(QStringLiteral("Imported ") + countText(done ? done->committedRows : 0) +
                         QStringLiteral(" confirmed rows (") + countText(imported) + QStringLiteral(" printings) into ") +
                         scope + QStringLiteral(" bin ") + binText + QStringLiteral(". ") + countText(left) +
                         QStringLiteral(" row") + (left == 1 ? QString() : QStringLiteral("s")) +
                         QStringLiteral(" still need") + (left == 1 ? QStringLiteral("s") : QString()) +
                         QStringLiteral(" review.") + (notes.isEmpty() ? QString() : u' ' + notes.join(u' ')));
    }
    showToast(QStringLiteral("Imported ") + countText(imported) + QStringLiteral(" cards \u2192 ") + scope +
              (location ? QStringLiteral(" \u00B7 bin ") + *location : QString()));
}

std::optional<CaptureViewModel::ImportedBatch> CaptureViewModel::applyImported(const QUuid& intentId, QString sessionId)
{
    if (!importState_)
        return std::nullopt;
    const auto it = importState_->sentImports.find(intentId);
    if (it == importState_->sentImports.end())
        return std::nullopt; // another batch's import, or recorded already
    const ImportState::SentImport sent = std::move(it->second);
    importState_->sentImports.erase(it);
    const CaptureConfig& settings = sent.settings;

    ImportedBatch done;
    done.settings = settings;
    done.location = sent.location;
    done.committedRows = qint64(sent.confirmed.size());
    recordTrainingLabels(sent.confirmed);

    std::vector<ScanManifestEntry> entries;
    for (const Row& row : sent.confirmed) {
        if (row.isManual)
            continue;
        const Candidate& c = *row.chosen;
        std::optional<QString> backFilename;
        if (row.card.back)
            backFilename = QFileInfo(*row.card.back).fileName();
        entries.emplace_back(
            QFileInfo(row.card.front).fileName(), row.card.front, backFilename, row.card.back, sent.location,
            settings.workspaceId,
            settings.workspaceName.isEmpty() ? std::nullopt : std::optional<QString>(settings.workspaceName),
            sessionId, sent.itemIdByRow.value(row.id), c.scryfallId, c.name, c.setCode, c.collectorNumber, c.finish,
            c.isArtSeries ? std::optional<QString>(rawValue(c.artSeriesVariant)) : std::nullopt,
            settings.defaultCondition, settings.defaultAcquisitionCost, c.score, row.contentHash,
            row.scanIdentityHash, row.userTouchedFinish || row.reviewed);
    }
    try {
        const std::vector<QString> files = ScanManifestStore::write(entries, QDateTime::currentDateTimeUtc());
        if (!files.empty()) {
            QStringList paths(files.begin(), files.end());
            StdoutTrace::print(TraceTopic::scanManifest, QStringLiteral("wrote ") + countText(qint64(files.size())) +
                                                             QStringLiteral(" manifest(s): ") +
                                                             paths.join(QStringLiteral(", ")));
        }
    } catch (const std::exception& e) {
        done.manifestFailure = QString::fromUtf8(e.what());
        StdoutTrace::print(TraceTopic::scanManifest,
                           QStringLiteral("failed to write imported scan manifest: ") + *done.manifestFailure);
    }

    // A row whose printing changed while the import ran stays, with a note: the service got
    // the printing it had when the import started.
    QSet<QUuid> committed;
    for (const Row& row : sent.confirmed)
        committed.insert(row.id);
    std::vector<Row> remaining;
    for (const Row& row : rows_) {
        if (!committed.contains(row.id)) {
            remaining.push_back(row);
            continue;
        }
        const bool unchanged = row.chosen && scanItemId(*row.chosen) == sent.itemIdByRow.value(row.id);
        if (unchanged)
            continue;
        Row kept = row;
        const auto was = std::find_if(sent.confirmed.begin(), sent.confirmed.end(),
                                      [&](const Row& r) { return r.id == row.id; });
        kept.readNote = QStringLiteral("Imported as ") + was->chosen->name + QStringLiteral(" (") +
                        rawValue(was->chosen->finish) + QStringLiteral(") in session ") + sessionId +
                        QStringLiteral(" before this change. Correct it in the inventory; importing it again adds "
                                       "another copy.");
        importState_->importedThenChanged.insert(row.id);
        remaining.push_back(std::move(kept));
    }
    setRows(std::move(remaining));
    return done;
}

QCoro::Task<bool> CaptureViewModel::settleIfServiceImported(ImportIntent intent)
{
    const auto self = shared_from_this();
    if (!intent.sessionId)
        co_return false;
    const VantryClient client = makeClient(intent.workspaceId);
    std::optional<ScanSessionPoll> poll;
    try {
        poll = co_await client.getSession(*intent.sessionId);
    } catch (const std::exception& e) {
        StdoutTrace::print(TraceTopic::import, QStringLiteral("session check failed \u00B7 session=") +
                                                   *intent.sessionId + QStringLiteral(": ") + QString::fromUtf8(e.what()));
        co_return false;
    }
    // Only the service's own word that the session was imported settles it without the user.
    if (poll->status != QLatin1String("imported"))
        co_return false;
    StdoutTrace::print(TraceTopic::import, QStringLiteral("SETTLED \u00B7 session=") + *intent.sessionId +
                                               QStringLiteral(" \u00B7 the service reports it imported"));
    applyImported(intent.id, *intent.sessionId);
    if (const std::optional<QString> error = co_await ImportIntentStore::instance().settleImported(intent.id)) {
        setImportError(ImportTexts::notRecorded(*intent.sessionId, intent.printings, *error),
                       ImportTexts::notRecordedTitle());
        setStatusMessage(ImportTexts::notRecordedStatus(intent.printings));
        co_return true;
    }
    setStatusMessage(ImportTexts::settledByServiceStatus(*intent.sessionId));
    co_return true;
}

QCoro::Task<> CaptureViewModel::checkHeldImports()
{
    const auto self = shared_from_this();
    ImportIntentStore& intents = ImportIntentStore::instance();
    if (intents.ensureLoaded())
        co_return;
    // Once per import and run: the answer seldom changes, and the user can always decide.
    for (const ImportIntent& intent : intents.held())
        if (intents.beginServiceCheck(intent.id))
            co_await settleIfServiceImported(intent);
    co_await intents.retryUnrecorded();
}

QCoro::Task<> CaptureViewModel::markHeldImportAsImported(QUuid intentId)
{
    const auto self = shared_from_this();
    ImportIntentStore& intents = ImportIntentStore::instance();
    const ImportIntent* found = intents.find(intentId);
    if (!found)
        co_return;
    const ImportIntent intent = *found;
    applyImported(intentId, intent.sessionId.value_or(QString()));
    if (const std::optional<QString> error = co_await intents.settleImported(intentId)) {
        setImportError(ImportTexts::notRecorded(intent.sessionId.value_or(QStringLiteral("unknown")), intent.printings,
                                                *error),
                       ImportTexts::notRecordedTitle());
        setStatusMessage(ImportTexts::notRecordedStatus(intent.printings));
        co_return;
    }
    setStatusMessage(ImportTexts::markedImportedStatus(intent));
}

QCoro::Task<> CaptureViewModel::sendHeldImportAgain(QUuid intentId)
{
    const auto self = shared_from_this();
    ImportIntentStore& intents = ImportIntentStore::instance();
    const ImportIntent* found = intents.find(intentId);
    if (!found)
        co_return;
    const ImportIntent intent = *found;
    const bool own = importState().sentImports.count(intentId) > 0;
    importState().sentImports.erase(intentId);
    co_await intents.release(intentId);
    setStatusMessage(ImportTexts::releasedStatus(intent, own));
    if (own)
        co_await importToInventory();
}

void CaptureViewModel::intentsChanged()
{
    if (importState_) {
        // A confirmed import of this batch settled elsewhere: its rows leave the batch here too.
        std::vector<QUuid> confirmed;
        for (const auto& [intentId, sent] : importState_->sentImports) {
            const ImportIntent* intent = ImportIntentStore::instance().find(intentId);
            if (intent && intent->state == ImportIntent::State::imported)
                confirmed.push_back(intentId);
        }
        for (const QUuid& intentId : confirmed)
            applyImported(intentId, ImportIntentStore::instance().find(intentId)->sessionId.value_or(QString()));
    }
    emit heldImportsChanged();
}

void CaptureViewModel::intentSettled(const QUuid& intentId, bool imported)
{
    if (!importState_ || !importState_->sentImports.count(intentId))
        return;
    if (imported) {
        applyImported(intentId, importState_->sentImports.at(intentId).sessionId);
        return;
    }
    // Released elsewhere: the rows stay confirmed and may be sent again.
    importState_->sentImports.erase(intentId);
}

void CaptureViewModel::recordTrainingLabels(const std::vector<Row>& rows)
{
    TrainingDataStore* store = trainingStore();
    if (!store)
        return;
    const QString version = appVersion();
    const QString timestamp = ScanManifestStore::isoString(QDateTime::currentDateTimeUtc());
    std::vector<std::pair<TrainingLabel, QImage>> batch;
    for (const Row& row : rows) {
        if (row.isManual || !row.chosen || !row.thumbnail)
            continue;
        TrainingLabel label;
        label.id = row.contentHash.value_or(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
        label.scryfallId = row.chosen->scryfallId;
        label.finish = row.chosen->finish;
        label.verified = row.userTouchedFinish;
        label.timestamp = timestamp;
        label.thumbnailFilename = label.id + QStringLiteral(".jpg");
        label.appVersion = version;
        batch.emplace_back(std::move(label), *row.thumbnail);
    }
    store->appendBatch(std::move(batch), true);
}

QCoro::Task<> CaptureViewModel::autoImportIfReady(CaptureConfig settings)
{
    if (!settings.autoImport || recount_->replaceMode() || !hasConfirmedRows() || needsReviewCount() != 0)
        co_return;
    if (importState_ && std::any_of(rows_.begin(), rows_.end(), [&](const Row& row) {
            return row.chosen && importState_->importedThenChanged.contains(row.id);
        }))
        co_return; // a card the service already has: only the user sends it again
    if (isImporting_) {
        importState().deferredAutoImport = std::move(settings);
        co_return;
    }
    setStatusMessage(QStringLiteral("Auto-importing fully confirmed batch."));
    co_await importToInventory();
}

} // namespace vantry
