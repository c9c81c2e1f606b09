// The batch's side of an import: it starts the import flow and publishes its outcome, records
// what the service saved, and runs the held imports and the automatic import.
#include "app/settings/CaptureConfig.h"
#include "app/batch/CaptureViewModel.h"
#include "app/batch/CaptureViewModelImportState.h"
#include "core/recognition/Disposition.h"
#include "app/batch/ImportFlow.h"
#include "app/batch/ImportTexts.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ScanManifestStore.h"
#include "core/records/TrainingDataStore.h"
#include "core/support/StdoutTrace.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <set>
#include <utility>

namespace vantry {

namespace {

QString countText(qint64 n) { return QString::number(n); }

QString appVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral("dev") : version;
}

} // namespace

QString CaptureViewModel::describeImportFailure(const std::exception& error)
{
    return ImportTexts::serviceFailure(error);
}

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
        setStatusMessage(ImportTexts::nothingConfirmed());
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
    ImportFlow flow(*this);
    publishImport(co_await flow.run());
}

void CaptureViewModel::publishImport(const ImportOutcome& outcome)
{
    using Why = ImportOutcome::Blocked::Why;
    if (const auto* nothing = std::get_if<ImportOutcome::NothingSent>(&outcome.value)) {
        setStatusMessage(nothing->notes.isEmpty()
                             ? ImportTexts::nothingConfirmed()
                             : (QStringList{ImportTexts::nothingLeftToSend()} + nothing->notes).join(u' '));
    } else if (const auto* blocked = std::get_if<ImportOutcome::Blocked>(&outcome.value)) {
        switch (blocked->why) {
        case Why::noWorkspace:
            setImportError(ImportTexts::noWorkspace(), ImportTexts::blockedTitle());
            setStatusMessage(ImportTexts::noWorkspaceStatus());
            break;
        case Why::recordUnreadable:
            setImportError(ImportTexts::recordUnreadable(blocked->reason), ImportTexts::blockedTitle());
            setStatusMessage(ImportTexts::recordUnreadableStatus());
            break;
        case Why::recordUnwritable:
            setImportError(ImportTexts::recordUnwritable(blocked->reason), ImportTexts::blockedTitle());
            setStatusMessage(ImportTexts::recordUnwritableStatus());
            break;
        case Why::evidenceUnprepared:
            setImportError(ImportTexts::evidenceUnprepared(blocked->failedGroups, blocked->reason),
                           ImportTexts::blockedTitle());
            setStatusMessage(ImportTexts::evidenceUnpreparedStatus());
            break;
        }
    } else if (const auto* failed = std::get_if<ImportOutcome::Failed>(&outcome.value)) {
        setImportError(ImportTexts::notImported(*failed), ImportTexts::failedTitle());
        setStatusMessage(ImportTexts::notImportedStatus(*failed));
    } else if (const auto* unknown = std::get_if<ImportOutcome::Unknown>(&outcome.value)) {
        // The held-imports banner tells the rest.
        setImportError(std::nullopt);
        setStatusMessage(ImportTexts::unknownStatus(unknown->sessionId));
    } else if (const auto* settled = std::get_if<ImportOutcome::SettledByService>(&outcome.value)) {
        if (settled->notRecorded) {
            publishNotRecorded(settled->sessionId, settled->printings, *settled->notRecorded);
        } else {
            if (settled->ofThisBatch)
                setImportError(std::nullopt);
            setStatusMessage(ImportTexts::settledByServiceStatus(settled->sessionId, settled->recount));
        }
    } else if (const auto* savedNothing = std::get_if<ImportOutcome::SavedNothing>(&outcome.value)) {
        setImportError(ImportTexts::savedNothing(savedNothing->sessionId), ImportTexts::savedNothingTitle());
        setStatusMessage(ImportTexts::savedNothingStatus());
    } else if (const auto* saved = std::get_if<ImportOutcome::Saved>(&outcome.value)) {
        publishSaved(*saved);
    }
}

void CaptureViewModel::publishSaved(const ImportOutcome::Saved& saved)
{
    if (saved.notRecorded) {
        publishNotRecorded(saved.sessionId, saved.imported, *saved.notRecorded);
        return;
    }
    if (saved.imported < saved.sent) {
        setImportError(ImportTexts::shortfall(saved.sessionId, saved.imported, saved.sent),
                       ImportTexts::shortfallTitle());
        setStatusMessage(ImportTexts::shortfallStatus(saved.imported, saved.sent));
        return;
    }
    if (saved.manifestFailure)
        setImportError(ImportTexts::manifestNotWritten(*saved.manifestFailure),
                       ImportTexts::manifestNotWrittenTitle());
    else
        setImportError(std::nullopt);
    setStatusMessage(ImportTexts::importedStatus(saved.committedRows, saved.imported, saved.scope, saved.location,
                                                 qint64(rows_.size()), saved.notes));
    showToast(ImportTexts::importedToast(saved.imported, saved.scope, saved.location));
}

void CaptureViewModel::publishNotRecorded(const QString& sessionId, int printings, const QString& reason)
{
    setImportError(ImportTexts::notRecorded(sessionId, printings, reason), ImportTexts::notRecordedTitle());
    setStatusMessage(ImportTexts::notRecordedStatus(printings));
}

void CaptureViewModel::removeRows(const std::set<QUuid>& ids)
{
    std::vector<Row> remaining;
    for (const Row& row : rows_)
        if (!ids.count(row.id))
            remaining.push_back(row);
    setRows(std::move(remaining));
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
        kept.readNote =
            ImportTexts::importedThenChangedNote(was->chosen->name, rawValue(was->chosen->finish), sessionId);
        importState_->importedThenChanged.insert(row.id);
        remaining.push_back(std::move(kept));
    }
    setRows(std::move(remaining));
    return done;
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
            if (std::optional<ImportOutcome> settled = co_await ImportFlow::settleIfServiceImported(*this, intent))
                publishImport(*settled);
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
    const bool own = importState().sentImports.count(intentId) > 0;
    applyImported(intentId, intent.sessionId.value_or(QString()));
    if (const std::optional<QString> error = co_await intents.settleImported(intentId)) {
        publishNotRecorded(intent.sessionId.value_or(QStringLiteral("unknown")), intent.printings, *error);
        co_return;
    }
    if (own)
        setImportError(std::nullopt);
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
        co_return; // a card imported before its change: the user reads its note first
    if (isImporting_) {
        importState().deferredAutoImport = std::move(settings);
        co_return;
    }
    setStatusMessage(ImportTexts::autoImporting());
    co_await importToInventory();
}

} // namespace vantry
