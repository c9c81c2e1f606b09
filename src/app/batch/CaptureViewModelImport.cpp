// The import of a batch into the inventory service, and the automatic import.
#include "app/batch/CaptureConfig.h"
#include "app/batch/CaptureViewModel.h"
#include "app/batch/CaptureViewModelServiceState.h"
#include "core/recognition/Disposition.h"
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

// A failure whose outcome on the service is unknown: it came at or after the import call
// and is not a plain refusal of the request.
bool leavesOutcomeUnknown(const CaptureError& e)
{
    if (!e.sessionId())
        return false;
    return !e.is(CaptureError::Kind::http) || e.status() >= 500 || e.status() == 408;
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

std::optional<QString> CaptureViewModel::uncertainImportSession() const
{
    if (!service_ || !service_->uncertainImport)
        return std::nullopt;
    return service_->uncertainImport->sessionId;
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
    if (auto deferred = std::exchange(service().deferredAutoImport, std::nullopt))
        co_await autoImportIfReady(std::move(*deferred));
}

QCoro::Task<> CaptureViewModel::runImport()
{
    if (config().workspaceId.isEmpty())
        co_await resolveDefaultWorkspace();
    const CaptureConfig settings = config();
    const std::optional<QString> location = ImportBin::location(bin_);
    const QString scope = settings.workspaceName.isEmpty() ? settings.workspaceId : settings.workspaceName;
    if (settings.workspaceId.isEmpty()) {
        setImportError(QStringLiteral("No workspace configured, so these cards would go to personal inventory "
                                      "\u2014 which is retired. Open Settings, set your workspace, then import "
                                      "again."));
        setStatusMessage(QStringLiteral("Import blocked \u2014 no workspace (see banner)."));
        co_return;
    }

    std::vector<Row> confirmed;
    for (const Row& row : rows_) {
        if (row.chosen)
            confirmed.push_back(row);
    }
    if (confirmed.empty()) { // unconfirmed while the workspace was looked up
        setStatusMessage(QStringLiteral("Nothing confirmed to import."));
        co_return;
    }

    // Cards of an import whose outcome is unknown are not sent again before the user has
    // had the chance to check that session; the next press sends them.
    if (auto& held = service().uncertainImport) {
        const bool overlaps = std::any_of(confirmed.begin(), confirmed.end(),
                                          [&](const Row& row) { return held->rowIds.contains(row.id); });
        if (overlaps) {
            const QString sessionId = held->sessionId;
            held.reset();
            StdoutTrace::print(TraceTopic::import, QStringLiteral("HELD · rows of session=") + sessionId +
                                                       QStringLiteral(" whose outcome is unknown"));
            setImportError(QStringLiteral("The last import of these cards (scan session ") + sessionId +
                           QStringLiteral(") ended without a confirmed result, so they may already be in your "
                                          "inventory. Check session ") +
                           sessionId +
                           QStringLiteral(" first. If the cards are not there, press Import again to send them."));
            setStatusMessage(QStringLiteral("Import held \u2014 check the last session first (see banner)."));
            co_return;
        }
        held.reset();
    }

    std::vector<CommittedScan::ConfirmedRow> triples;
    std::vector<ScanEvidenceUploadSource> sources;
    QHash<QUuid, QString> itemIdByRow;
    for (const Row& row : confirmed) {
        triples.push_back({row.id, row.contentHash, row.scanIdentityHash});
        const QString itemId = scanItemId(*row.chosen);
        itemIdByRow.insert(row.id, itemId);
        if (!row.isManual)
            sources.push_back({itemId, row.card.front, row.contentHash});
    }
    const CommittedScan committed(triples);
    const std::vector<ScanItemPayload> items = this->items();

    auto render = [sources] { return ScanEvidenceUploadBuilder::build(sources); };
    ScanEvidenceUploadBuildResult evidence = co_await CPUWork::run(std::move(render));
    if (!evidence.failedPaths.empty()) {
        const auto n = qint64(evidence.failedPaths.size());
        setImportError(QStringLiteral("Could not prepare scan evidence for ") + countText(n) +
                       QStringLiteral(" imported scan group") + (n == 1 ? QString() : QStringLiteral("s")) +
                       QStringLiteral(". Nothing was imported. First failed file: ") + evidence.failedPaths.front());
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
    std::optional<ImportResult> result;
    std::optional<QString> failure;
    std::optional<QString> uncertainSession;
    try {
        result = co_await client.commit(items, location, defaults, std::move(evidence.uploads));
    } catch (const std::exception& e) {
        failure = describeImportFailure(e);
        if (const auto* ce = dynamic_cast<const CaptureError*>(&e); ce && leavesOutcomeUnknown(*ce))
            uncertainSession = ce->sessionId();
    }
    if (failure) {
        StdoutTrace::print(TraceTopic::import, QStringLiteral("FAILED: ") + *failure);
        if (uncertainSession)
            service().uncertainImport = ServiceState::UncertainImport{
                *uncertainSession, QSet<QUuid>(committed.rowIDs.begin(), committed.rowIDs.end())};
        setImportError(*failure);
        setStatusMessage(QStringLiteral("Import failed \u2014 see the red banner for details."));
        co_return;
    }

    const QString sessionId = result->sessionId;
    setLastImportedSession(sessionId);

    if (!result->isConfirmed()) {
        // The service took the import but its reply states no count: nothing is recorded, the
        // rows stay, and they are held until the user has checked the session.
        const bool unreadable = result->count == ImportResponse::CountKind::unreadable;
        StdoutTrace::print(TraceTopic::import, QStringLiteral("OUTCOME UNKNOWN · session=") + sessionId +
                                                   (unreadable ? QStringLiteral(" · reply unreadable")
                                                               : QStringLiteral(" · reply without a count")));
        service().uncertainImport =
            ServiceState::UncertainImport{sessionId, QSet<QUuid>(committed.rowIDs.begin(), committed.rowIDs.end())};
        setImportError(QStringLiteral("The server took the import (session ") + sessionId +
                       (unreadable ? QStringLiteral(") but its reply could not be read")
                                   : QStringLiteral(") but its reply did not say how many cards it saved")) +
                       QStringLiteral(", so whether your cards were imported is unknown. Check session ") + sessionId +
                       QStringLiteral(" in your inventory before importing again \u2014 your cards are still here."));
        setStatusMessage(QStringLiteral("Import outcome unknown \u2014 see banner."));
        co_return;
    }

    const int imported = result->imported;
    if (imported < 1) {
        StdoutTrace::print(TraceTopic::import, QStringLiteral("SERVER SAVED 0 \u00B7 session=") + sessionId +
                                                   QStringLiteral(" \u00B7 sent ") + countText(qint64(items.size())) +
                                                   QStringLiteral(" printings to ") + scope);
        setImportError(QStringLiteral("The server accepted the request but saved 0 cards (session ") + sessionId +
                       QStringLiteral("). Nothing was imported \u2014 your cards are still here to retry. Send me "
                                      "this session id."));
        setStatusMessage(QStringLiteral("Import saved 0 cards \u2014 see banner."));
        co_return;
    }

    if (!committed.contentHashes.empty())
        ImportLedgerStore::record(committed.contentHashes);
    recordTrainingLabels(confirmed);

    std::vector<ScanManifestEntry> entries;
    for (const Row& row : confirmed) {
        if (row.isManual)
            continue;
        const Candidate& c = *row.chosen;
        std::optional<QString> backFilename;
        if (row.card.back)
            backFilename = QFileInfo(*row.card.back).fileName();
        entries.emplace_back(
            QFileInfo(row.card.front).fileName(), row.card.front, backFilename, row.card.back, location,
            settings.workspaceId,
            settings.workspaceName.isEmpty() ? std::nullopt : std::optional<QString>(settings.workspaceName),
            sessionId, itemIdByRow.value(row.id), c.scryfallId, c.name, c.setCode, c.collectorNumber, c.finish,
            c.isArtSeries ? std::optional<QString>(rawValue(c.artSeriesVariant)) : std::nullopt,
            settings.defaultCondition, settings.defaultAcquisitionCost, c.score, row.contentHash,
            row.scanIdentityHash, row.userTouchedFinish || row.reviewed);
    }
    std::optional<QString> manifestFailure;
    try {
        const std::vector<QString> files = ScanManifestStore::write(entries, QDateTime::currentDateTimeUtc());
        if (!files.empty()) {
            QStringList paths(files.begin(), files.end());
            StdoutTrace::print(TraceTopic::scanManifest, QStringLiteral("wrote ") + countText(qint64(files.size())) +
                                                             QStringLiteral(" manifest(s): ") +
                                                             paths.join(QStringLiteral(", ")));
        }
    } catch (const std::exception& e) {
        manifestFailure = QString::fromUtf8(e.what());
    }
    if (manifestFailure) {
        StdoutTrace::print(TraceTopic::scanManifest,
                           QStringLiteral("failed to write imported scan manifest: ") + *manifestFailure);
        setImportError(QStringLiteral("Imported successfully, but could not write the local scan manifest for "
                                      "evaluation: ") +
                       *manifestFailure);
    } else {
        setImportError(std::nullopt);
    }

    StdoutTrace::print(TraceTopic::import, QStringLiteral("OK \u00B7 session=") + sessionId +
                                               QStringLiteral(" \u00B7 server imported ") + countText(imported) +
                                               QStringLiteral(" printings into ") + scope + QLatin1Char('/') +
                                               location.value_or(QStringLiteral("no-bin")));

    // A row whose printing changed while the import ran stays, with a note: the service got
    // the printing it had when the import started.
    std::vector<Row> remaining;
    for (const Row& row : rows_) {
        if (!committed.includes(row.id)) {
            remaining.push_back(row);
            continue;
        }
        const bool unchanged = row.chosen && scanItemId(*row.chosen) == itemIdByRow.value(row.id);
        if (unchanged)
            continue;
        Row kept = row;
        const auto sent = std::find_if(confirmed.begin(), confirmed.end(), [&](const Row& r) { return r.id == row.id; });
        kept.readNote = QStringLiteral("Imported as ") + sent->chosen->name + QStringLiteral(" (") +
                        rawValue(sent->chosen->finish) + QStringLiteral(") in session ") + sessionId +
                        QStringLiteral(" before this change. Correct it in the inventory; importing it again adds "
                                       "another copy.");
        service().importedThenChanged.insert(row.id);
        remaining.push_back(std::move(kept));
    }
    setRows(std::move(remaining));

    const auto left = qint64(rows_.size());
    const QString binText = location.value_or(QStringLiteral("(none)"));
    if (left == 0) {
        setStatusMessage(QStringLiteral("Imported ") + countText(imported) + QStringLiteral(" printings into ") +
                         scope + QStringLiteral(" bin ") + binText + QStringLiteral(". Ready for the next batch."));
    } else {
        setStatusMessage(QStringLiteral("Imported ") + countText(qint64(committed.rowIDs.size())) +
                         QStringLiteral(" confirmed rows (") + countText(imported) + QStringLiteral(" printings) into ") +
                         scope + QStringLiteral(" bin ") + binText + QStringLiteral(". ") + countText(left) +
                         QStringLiteral(" row") + (left == 1 ? QString() : QStringLiteral("s")) +
                         QStringLiteral(" still need") + (left == 1 ? QStringLiteral("s") : QString()) +
                         QStringLiteral(" review."));
    }
    showToast(QStringLiteral("Imported ") + countText(imported) + QStringLiteral(" cards \u2192 ") + scope +
              (location ? QStringLiteral(" \u00B7 bin ") + *location : QString()));
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
    if (!settings.autoImport || replaceMode_ || !hasConfirmedRows() || needsReviewCount() != 0)
        co_return;
    if (service_ && std::any_of(rows_.begin(), rows_.end(), [&](const Row& row) {
            return row.chosen && service_->importedThenChanged.contains(row.id);
        }))
        co_return; // a card the service already has: only the user sends it again
    if (isImporting_) {
        service().deferredAutoImport = std::move(settings);
        co_return;
    }
    setStatusMessage(QStringLiteral("Auto-importing fully confirmed batch."));
    co_await importToInventory();
}

} // namespace vantry
