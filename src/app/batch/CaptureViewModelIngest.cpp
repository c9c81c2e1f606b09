// The ingest pipeline of CaptureViewModel: scans become review rows.
#include "app/settings/CaptureConfig.h"
#include "app/batch/CaptureViewModel.h"
#include "app/batch/ImportTexts.h"
#include "app/batch/IngestCard.h"
#include "app/batch/IngestTexts.h"
#include "app/batch/PublishThrottle.h"
#include "core/ingest/ScanPreparation.h"
#include "core/intake/FolderImporter.h"
#include "core/intake/FolderPicker.h"
#include "core/reading/CardCropper.h"
#include "core/reading/CollectorMatching.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "core/support/CPUWork.h"
#include "core/support/CaptureLog.h"

#include <QFileInfo>

#include <deque>

namespace vantry {

namespace {

QString flag(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

qint64 millisSince(qint64 startNs, qint64 nowNs) { return qint64(double(nowNs - startNs) / 1'000'000.0); }

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A new row of a scan that was admitted into the batch, before anything is read off it.
CaptureViewModel::Row rowOf(const ScannedCard& card, const ScanPrep& prep)
{
    CaptureViewModel::Row row;
    row.id = QUuid::createUuid();
    row.card = card;
    row.thumbnail = prep.thumbnail;
    row.zoomImageData = prep.zoomJPEG;
    row.contentHash = prep.hash;
    row.scanIdentityHash = prep.dedupeHash;
    return row;
}

// A scan is one file: a card scanned on both sides is two.
qint64 scansOf(const ScannedCard& card) { return card.back ? 2 : 1; }

} // namespace

QString CaptureViewModel::multiFeedNote()
{
    return QStringLiteral("Looks like a multi-feed (two cards in one scan) \u2014 rescan this card on its own.");
}

// What one run keeps between its awaits; nothing of it outlives the run but the cards whose
// step was still running when the run went stale.
struct CaptureViewModel::IngestRun {
    qint64 generation = 0;
    CaptureConfig config;
    qint64 startNs = 0;
    qint64 cardCount = 0;
    bool showProgress = false;
    // What the run took in, for its closing line: scans are files, a two-sided card is two.
    qint64 scanCount = 0, importedBeforeScans = 0, duplicateScans = 0;
    bool wholeFolder = false;
    PublishThrottle progressThrottle{publishInterval};
    PublishThrottle rowThrottle{publishInterval};
    std::vector<Row> pendingRows;
    struct FoilProbe {
        QUuid rowId;
        QImage scan;
        QString scryfallId;
    };
    std::vector<FoilProbe> pendingFoilProbes;
    ImportLedger ledger; // with the keys of imports still waiting for their outcome
    // Cards started and not yet counted, in card order: never more than `window`. Each of them
    // holds at most one decoded scan, so however large the folder, so many are in memory.
    std::deque<std::shared_ptr<IngestCard>> open;
    std::size_t window = 1;
    qint64 started = 0, admitted = 0, counted = 0;
    std::shared_ptr<IngestWaker> waker = std::make_shared<IngestWaker>();
    IngestClock clock;
    qint64 prepTotal = 0, recognized = 0, recogTotal = 0;
    qint64 autoCount = 0, review = 0, unresolved = 0, skipped = 0, duplicates = 0, multiFeed = 0;
};

QCoro::Task<> CaptureViewModel::importFromFolder(std::optional<QString> preset, bool append)
{
    const auto self = shared_from_this(); // alive while the picker and the ingest run
    std::optional<QString> folder = std::move(preset);
    if (!folder) {
        if (!collaborators_.folderPicker)
            co_return;
        const auto picker = collaborators_.folderPicker;
        folder = co_await FolderImporter::pickFolder(*picker, QStringLiteral("Import"),
                                                     QStringLiteral("Choose the folder of scanned card images."));
        if (!folder)
            co_return;
    }
    const CaptureConfig settings = config();
    // Listing a large folder reads the file system: off the main thread.
    auto list = [folder = *folder, duplex = settings.duplex] { return FolderImporter::scan(folder, duplex); };
    FolderImporter::FolderScan found = co_await CPUWork::run(std::move(list));
    // Told with the batch's status line: after the ingest, or at once when nothing is ingested.
    if (!append)
        leftOutScans_.clear();
    const bool leftOut = noteLeftOutScans(found.leftOut);
    if (found.cards.empty() && append && leftOut)
        refreshReviewStatusMessage();
    co_await ingest(std::move(found.cards),
                    IngestOptions{.append = append, .showProgress = true, .autoImport = true, .wholeFolder = true});
}

void CaptureViewModel::cancelIngests() { ++ingestGeneration_; }

bool CaptureViewModel::isScanIdentityAdmitted(const QString& hash) const
{
    if (admittedScanIdentities_.contains(hash))
        return true;
    return std::any_of(rows_.begin(), rows_.end(), [&](const Row& row) {
        return row.scanIdentityHash == hash || row.contentHash == hash;
    });
}

void CaptureViewModel::flushPendingRows(IngestRun& run)
{
    if (ingestGeneration_ != run.generation) {
        run.pendingRows.clear();
        run.pendingFoilProbes.clear();
        return;
    }
    if (!run.pendingRows.empty()) {
        std::vector<Row> updated = rows_;
        updated.insert(updated.end(), std::make_move_iterator(run.pendingRows.begin()),
                       std::make_move_iterator(run.pendingRows.end()));
        run.pendingRows.clear();
        setRows(std::move(updated));
    }
    for (auto& probe : std::exchange(run.pendingFoilProbes, {}))
        spawnFoilProbe(probe.rowId, std::move(probe.scan), std::move(probe.scryfallId));
}

void CaptureViewModel::finishIngest(IngestRun& run)
{
    const qint64 n = std::max<qint64>(run.cardCount, 1);
    CaptureLog::log(QStringLiteral("ingest END elapsed=") + QString::number(millisSince(run.startNs, nowNs())) +
                    QStringLiteral("ms prepTotal=") + QString::number(run.prepTotal) + QStringLiteral("ms prepAvg=") +
                    QString::number(run.prepTotal / n) + QStringLiteral("ms recognized=") +
                    QString::number(run.recognized) + QStringLiteral(" recogTotal=") + QString::number(run.recogTotal) +
                    QStringLiteral("ms recogAvg=") +
                    QString::number(run.recognized ? run.recogTotal / run.recognized : 0) + QStringLiteral("ms auto=") +
                    QString::number(run.autoCount) + QStringLiteral(" review=") + QString::number(run.review) +
                    QStringLiteral(" unresolved=") + QString::number(run.unresolved) + QStringLiteral(" skipped=") +
                    QString::number(run.skipped) + QStringLiteral(" duplicates=") + QString::number(run.duplicates) +
                    QStringLiteral(" multiFeed=") + QString::number(run.multiFeed) + QStringLiteral(" rows=") +
                    QString::number(rows_.size()) + QStringLiteral(" admitted=") +
                    QString::number(admittedScanIdentities_.size()));
    if (run.showProgress) {
        // Another ingest may still run (a watched batch while Import Folder adds to the rows).
        if (--ingestsWithProgress_ == 0)
            setProgress(std::nullopt);
        endWork();
    }
}

QCoro::Task<> CaptureViewModel::ingest(std::vector<ScannedCard> cards, IngestOptions options)
{
    // The run keeps the model alive to its end, also when its tab is closed meanwhile.
    const auto self = shared_from_this();
    if (cards.empty()) {
        if (!options.append) {
            QString text = QStringLiteral("No images found.");
            if (!leftOutScans_.empty())
                text += QLatin1Char(' ') + leftOutSummary(leftOutScans_);
            setStatusMessage(text);
        }
        co_return;
    }
    co_await awaitArtMatcher();
    IngestRun run;
    beginIngestRun(run, cards, options);
    if (!co_await loadIngestLedger(run))
        co_return;
    if (!co_await ingestCards(run, cards))
        co_return;
    co_await endIngestRun(run, options.autoImport);
}

void CaptureViewModel::beginIngestRun(IngestRun& run, const std::vector<ScannedCard>& cards,
                                       const IngestOptions& options)
{
    const auto cardCount = qint64(cards.size());
    if (options.showProgress) {
        ++ingestsWithProgress_;
        beginWork();
    }
    if (!options.append) {
        setRows({});
        admittedScanIdentities_.clear();
        ++ingestGeneration_;
    }
    run.generation = ingestGeneration_;
    run.config = config();
    run.startNs = nowNs();
    run.cardCount = cardCount;
    run.showProgress = options.showProgress;
    run.wholeFolder = options.wholeFolder;
    for (const ScannedCard& card : cards)
        run.scanCount += scansOf(card);
    lastRunNothingNew_.reset();
    // Until the run ends the status line says that scans are being read.
    if (options.showProgress)
        setStatusMessage(IngestTexts::reading(run.scanCount));
    run.window = std::size_t(collaborators_.ingestWindow > 0 ? collaborators_.ingestWindow : 2 * CPUWork::width());
    run.clock = collaborators_.clockNs ? collaborators_.clockNs : IngestClock(steadyNs);
    CaptureLog::log(QStringLiteral("ingest START n=") + QString::number(cardCount) + QStringLiteral(" append=") +
                    flag(options.append) + QStringLiteral(" rows=") + QString::number(rows_.size()) +
                    QStringLiteral(" admitted=") + QString::number(admittedScanIdentities_.size()) +
                    QStringLiteral(" bin=") + bin_);
}

bool CaptureViewModel::stopIfStale(IngestRun& run)
{
    if (ingestGeneration_ == run.generation)
        return false;
    CaptureLog::log(QStringLiteral("ingest CANCEL stale generation=") + QString::number(run.generation) +
                    QStringLiteral(" current=") + QString::number(ingestGeneration_));
    run.pendingRows.clear();
    run.pendingFoilProbes.clear();
    finishIngest(run);
    return true;
}

QCoro::Task<bool> CaptureViewModel::loadIngestLedger(IngestRun& run)
{
    // The ledger is read once per run; its first read loads the file, so off the main thread.
    // Scans of imports still waiting for their outcome count as imported too. A record that
    // cannot be read stops the run: taken for empty, it would offer imported cards again.
    auto loadLedger = [] {
        QString error;
        std::optional<ImportLedger> ledger = ImportLedgerStore::tryLoad(&error);
        return std::make_pair(std::move(ledger), error);
    };
    auto [loaded, ledgerError] = co_await CPUWork::run(std::move(loadLedger));
    if (stopIfStale(run))
        co_return false;
    ImportIntentStore& intents = ImportIntentStore::instance();
    if (const std::optional<QString> intentsError = loaded ? intents.ensureLoaded() : std::nullopt)
        ledgerError = *intentsError, loaded.reset();
    if (!loaded) {
        CaptureLog::log(QStringLiteral("ingest STOP the record of imported scans cannot be read: ") + ledgerError);
        setImportError(ImportTexts::ingestRecordUnreadable(ledgerError), ImportTexts::scansNotAddedTitle());
        setStatusMessage(ImportTexts::ingestRecordUnreadableStatus());
        run.pendingRows.clear();
        run.pendingFoilProbes.clear();
        finishIngest(run);
        co_return false;
    }
    run.ledger = std::move(*loaded);
    run.ledger.record(intents.keys());
    co_return true;
}

QCoro::Task<bool> CaptureViewModel::ingestCards(IngestRun& run, const std::vector<ScannedCard>& cards)
{
    // Several cards are prepared and recognised at once, as many as the window holds, but each
    // is admitted (ledger, duplicates) and counted, logged and made a row in card order: a card
    // that finishes early waits for those before it. A stale run starts no more cards.
    publishProgress(run);
    for (;;) {
        if (stopIfStale(run))
            co_return false;
        while (run.started < run.cardCount && run.open.size() < run.window) {
            auto card = std::make_shared<IngestCard>(run.started, cards[std::size_t(run.started)]);
            run.open.push_back(card);
            ++run.started;
            prepareIngestCard(std::move(card), run.ledger, run.clock, run.waker);
        }
        admitPrepared(run);
        if (!countReady(run))
            co_return false;
        if (run.counted == run.cardCount)
            co_return true;
        // Cards counted just now made room for more. Otherwise the first open card is still
        // being prepared or recognised, and its step wakes the run when it ends.
        if (run.started < run.cardCount && run.open.size() < run.window)
            continue;
        co_await run.waker->next();
    }
}

void CaptureViewModel::admitPrepared(IngestRun& run)
{
    while (run.admitted < run.started) {
        const std::shared_ptr<IngestCard>& card = run.open[std::size_t(run.admitted - run.counted)];
        if (card->stage != IngestCard::Stage::prepared)
            return;
        ++run.admitted;
        const ScanPrep& prep = card->prep;
        card->stage = IngestCard::Stage::ready;
        if (prep.tooLarge) {
            card->fate = IngestCard::Fate::tooLarge;
        } else if (prep.alreadyImported) {
            card->fate = IngestCard::Fate::imported;
        } else if (prep.dedupeHash && isScanIdentityAdmitted(*prep.dedupeHash)) {
            card->fate = IngestCard::Fate::duplicate;
        } else {
            // Admitted before it is recognised: a copy later in this run or in another one is
            // caught while this one is still being read.
            if (prep.dedupeHash)
                admittedScanIdentities_.insert(*prep.dedupeHash);
            if (prep.cropped() && looksLikeMultiFeed(prep.cardImage->width(), prep.cardImage->height())) {
                card->fate = IngestCard::Fate::multiFeed;
            } else {
                card->fate = IngestCard::Fate::read;
                card->stage = IngestCard::Stage::reading;
                recognizeIngestCard(card, recognizer_, run.clock, run.waker);
            }
        }
    }
}

bool CaptureViewModel::countReady(IngestRun& run)
{
    while (run.counted < run.admitted && run.open.front()->stage == IngestCard::Stage::ready) {
        // Publishing rows runs observers, which may replace the batch.
        if (stopIfStale(run))
            return false;
        // Dropped here, its decoded images go to the CPU pool to be freed (unless a foil probe
        // still needs the card).
        const std::shared_ptr<IngestCard> card = std::move(run.open.front());
        run.open.pop_front();
        ++run.counted;
        countCard(run, *card);
        publishProgress(run);
    }
    return true;
}

void CaptureViewModel::publishProgress(IngestRun& run)
{
    // As each card's turn came when they went one after the other: (done, total) before the
    // next card, the last card's at once.
    if (!run.showProgress || run.counted >= run.cardCount)
        return;
    if (run.progressThrottle.shouldFire(nowNs(), run.counted == run.cardCount - 1))
        setProgress(Progress{run.counted, run.cardCount});
}

void CaptureViewModel::countCard(IngestRun& run, const IngestCard& card)
{
    const qint64 i = card.index;
    const ScanPrep& prep = card.prep;
    run.prepTotal += card.prepMs;
    const QString file = QFileInfo(card.card.front).fileName();
    switch (card.fate) {
    case IngestCard::Fate::tooLarge: {
        // Left out whole, unread; told in the status line.
        CaptureLog::log(QStringLiteral("card ") + QString::number(i) + QStringLiteral(" SKIP too-large file=") + file);
        std::vector<LeftOutScanFile> files{{file, LeftOutReason::tooLarge, {}}};
        if (card.card.back)
            files.push_back({QFileInfo(*card.card.back).fileName(), LeftOutReason::otherSideLeftOut, {}});
        noteLeftOutScans(files);
        return;
    }
    case IngestCard::Fate::imported: {
        const ImportIntentStore& intents = ImportIntentStore::instance();
        const ImportIntent* pending = prep.hash ? intents.holding(*prep.hash) : nullptr;
        if (!pending && prep.dedupeHash)
            pending = intents.holding(*prep.dedupeHash);
        CaptureLog::log(QStringLiteral("card ") + QString::number(i) +
                        (pending ? QStringLiteral(" SKIP pending-import session=") +
                                       pending->sessionId.value_or(QStringLiteral("(not yet created)"))
                                 : QStringLiteral(" SKIP already-imported")) +
                        QStringLiteral(" prep=") + QString::number(card.prepMs) + QStringLiteral("ms"));
        ++run.skipped;
        run.importedBeforeScans += scansOf(card.card);
        return;
    }
    case IngestCard::Fate::duplicate:
        CaptureLog::log(QStringLiteral("card ") + QString::number(i) + QStringLiteral(" SKIP duplicate-scan prep=") +
                        QString::number(card.prepMs) + QStringLiteral("ms hash=") + prep.dedupeHash->left(12) +
                        QStringLiteral(" file=") + file);
        ++run.duplicates;
        run.duplicateScans += scansOf(card.card);
        return;
    case IngestCard::Fate::multiFeed: {
        Row row = rowOf(card.card, prep);
        row.disposition = Disposition::unresolved;
        row.readNote = multiFeedNote();
        row.isMultiFeed = true;
        run.pendingRows.push_back(std::move(row));
        ++run.multiFeed;
        ++run.unresolved;
        return;
    }
    case IngestCard::Fate::read:
        ++run.recognized;
        run.recogTotal += card.recogMs;
        addRecognizedRow(run, i, rowOf(card.card, prep), card.outcome, prep.cardImage, card.prepMs, card.recogMs);
        return;
    }
}

void CaptureViewModel::addRecognizedRow(IngestRun& run, qint64 i, Row row, const RecognitionOutcome& outcome,
                                        const std::optional<QImage>& image, qint64 prepMs, qint64 recogMs)
{
    const CardAttribution& a = outcome.attribution;
    const ValidatedDisposition decision =
        validatedDisposition(outcome.candidates, a, run.config.autoThreshold, run.config.gapMin);
    switch (decision.disposition) {
    case Disposition::autoConfirm: ++run.autoCount; break;
    case Disposition::review: ++run.review; break;
    case Disposition::unresolved: ++run.unresolved; break;
    }
    const bool titleRead = a.title && !a.title->isEmpty();
    CaptureLog::log(QStringLiteral("card ") + QString::number(i) + QStringLiteral(" prep=") + QString::number(prepMs) +
                    QStringLiteral("ms recog=") + QString::number(recogMs) + QStringLiteral("ms cands=") +
                    QString::number(outcome.candidates.size()) + QStringLiteral(" disp=") +
                    rawValue(decision.disposition) + QStringLiteral(" validate=") +
                    decision.validation.demotionReason.value_or(QStringLiteral("pass")) +
                    QStringLiteral(" strip=set:") + a.setCode.value_or(QStringLiteral("-")) +
                    QStringLiteral(" coll:") + a.collectorNumber.value_or(QStringLiteral("-")) +
                    QStringLiteral(" title:") + (titleRead ? QStringLiteral("read") : QStringLiteral("-")));

    row.candidates = outcome.candidates;
    if (decision.disposition == Disposition::autoConfirm && !outcome.candidates.empty())
        row.chosen = outcome.candidates.front();
    row.disposition = decision.disposition;
    if (outcome.candidates.empty())
        row.readNote = unreadableNote(a);
    row.noTextDetected = outcome.candidates.empty() && !a.setCode && !a.isArtSeries && !titleRead;
    row.isToken = a.isToken;
    row.isArtSeries = a.isArtSeries || (!outcome.candidates.empty() && outcome.candidates.front().isArtSeries);

    if (image && run.config.autoFoilDetect && !outcome.candidates.empty() &&
        outcome.candidates.front().finish == ScanFinish::nonfoil) {
        run.pendingFoilProbes.push_back({row.id, *image, outcome.candidates.front().scryfallId});
    }
    run.pendingRows.push_back(std::move(row));
    if (run.rowThrottle.shouldFire(nowNs(), false))
        flushPendingRows(run);
}

void CaptureViewModel::tellRunOutcome(const IngestRun& run)
{
    const IngestTexts::RunOutcome outcome{run.scanCount, run.autoCount + run.review + run.unresolved,
                                          run.importedBeforeScans, run.duplicateScans, run.wholeFolder};
    if (IngestTexts::nothingNew(outcome)) {
        // Said in place of an empty list too, so a stack imported before is not taken for lost.
        lastRunNothingNew_ = IngestTexts::nothingNewStatus(outcome);
        QString text = *lastRunNothingNew_;
        if (!leftOutScans_.empty())
            text += QLatin1Char(' ') + leftOutSummary(leftOutScans_);
        setStatusMessage(text);
    } else if (outcome.added > 0) {
        setStatusMessage(IngestTexts::readPiece(outcome) + QStringLiteral(" \u00B7 ") + reviewStatusMessage());
    } else {
        refreshReviewStatusMessage();
    }
}

QCoro::Task<> CaptureViewModel::endIngestRun(IngestRun& run, bool autoImport)
{
    flushPendingRows(run);
    if (ingestGeneration_ == run.generation) {
        lastIngestSkippedCount_ = run.skipped;
        lastIngestDuplicateCount_ = run.duplicates;
        tellRunOutcome(run);
        // The run's closing line comes after the automatic import it may start.
        if (autoImport)
            co_await autoImportIfReady(run.config);
    }
    finishIngest(run);
}

} // namespace vantry
