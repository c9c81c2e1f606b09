// The ingest pipeline of CaptureViewModel: scans become review rows.
#include "app/settings/CaptureConfig.h"
#include "app/batch/CaptureViewModel.h"
#include "app/batch/ImportTexts.h"
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

namespace vantry {

namespace {

QString flag(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

qint64 millisSince(qint64 startNs, qint64 nowNs) { return qint64(double(nowNs - startNs) / 1'000'000.0); }

// At the end of a card's turn, hands the scan's decoded images to the CPU pool to be freed
// there: giving tens of megabytes back to the system takes milliseconds, and the main thread
// would spend them on every page of a running feeder. Declared after the prep and before
// every other copy of its images, so that it runs when those copies are gone.
class ReleaseImagesOffMainThread {
public:
    explicit ReleaseImagesOffMainThread(ScanPrep& prep) : prep_(prep) {}
    ~ReleaseImagesOffMainThread()
    {
        if (!prep_.full && !prep_.cardImage)
            return;
        CPUWork::submit([full = std::exchange(prep_.full, std::nullopt),
                         card = std::exchange(prep_.cardImage, std::nullopt)] {});
    }
    ReleaseImagesOffMainThread(const ReleaseImagesOffMainThread&) = delete;
    ReleaseImagesOffMainThread& operator=(const ReleaseImagesOffMainThread&) = delete;

private:
    ScanPrep& prep_;
};

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

// What the recognizer reads off the prepared scan; nothing read when the scan did not decode.
QCoro::Task<RecognitionOutcome> recognizeScan(std::shared_ptr<const CardRecognizing> recognizer,
                                              const ScannedCard& card, const ScanPrep& prep)
{
    RecognitionOutcome outcome;
    const std::optional<QImage> image = prep.cardImage;
    if (!image)
        co_return outcome;
    auto back = ScanPreparation::backImageProvider(card);
    outcome = co_await recognizer->recognize(*image, ScanFinish::nonfoil, std::move(back), CPULane::ordinary);
    // A crop that read nothing may have cut the card badly: once more on the whole scan.
    if (outcome.candidates.empty() && prep.cropped())
        outcome = co_await recognizer->recognize(*prep.full, ScanFinish::nonfoil, {}, CPULane::ordinary);
    co_return outcome;
}

// A scan is one file: a card scanned on both sides is two.
qint64 scansOf(const ScannedCard& card) { return card.back ? 2 : 1; }

} // namespace

QString CaptureViewModel::multiFeedNote()
{
    return QStringLiteral("Looks like a multi-feed (two cards in one scan) \u2014 rescan this card on its own.");
}

// What one run keeps between its awaits; nothing of it outlives the run.
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
    for (qint64 i = 0; i < qint64(cards.size()); ++i) {
        if (!co_await ingestCard(run, i, cards[std::size_t(i)]))
            co_return;
    }
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

QCoro::Task<bool> CaptureViewModel::ingestCard(IngestRun& run, qint64 i, const ScannedCard& card)
{
    const bool last = i == run.cardCount - 1;
    if (run.showProgress && run.progressThrottle.shouldFire(nowNs(), last))
        setProgress(Progress{i, run.cardCount});

    const qint64 prepStart = nowNs();
    ScanPrep prep = co_await ScanPreparation::prepare(card, run.ledger);
    const ReleaseImagesOffMainThread release(prep);
    if (stopIfStale(run))
        co_return false;
    const qint64 prepMs = millisSince(prepStart, nowNs());
    run.prepTotal += prepMs;
    if (!admitScan(run, i, card, prep, prepMs))
        co_return true;

    Row row = rowOf(card, prep);
    if (prep.cropped() && looksLikeMultiFeed(prep.cardImage->width(), prep.cardImage->height())) {
        row.disposition = Disposition::unresolved;
        row.readNote = multiFeedNote();
        row.isMultiFeed = true;
        run.pendingRows.push_back(std::move(row));
        ++run.multiFeed;
        ++run.unresolved;
        co_return true;
    }

    const qint64 recogStart = nowNs();
    const RecognitionOutcome outcome = co_await recognizeScan(recognizer_, card, prep);
    if (stopIfStale(run))
        co_return false;
    const qint64 recogMs = millisSince(recogStart, nowNs());
    ++run.recognized;
    run.recogTotal += recogMs;
    addRecognizedRow(run, i, std::move(row), outcome, prep.cardImage, prepMs, recogMs);
    co_return true;
}

bool CaptureViewModel::admitScan(IngestRun& run, qint64 i, const ScannedCard& card, const ScanPrep& prep,
                                 qint64 prepMs)
{
    if (prep.tooLarge) {
        // Left out whole, unread; told in the status line.
        CaptureLog::log(QStringLiteral("card ") + QString::number(i) + QStringLiteral(" SKIP too-large file=") +
                        QFileInfo(card.front).fileName());
        std::vector<LeftOutScanFile> files{{QFileInfo(card.front).fileName(), LeftOutReason::tooLarge, {}}};
        if (card.back)
            files.push_back({QFileInfo(*card.back).fileName(), LeftOutReason::otherSideLeftOut, {}});
        noteLeftOutScans(files);
        return false;
    }
    if (prep.alreadyImported) {
        const ImportIntentStore& intents = ImportIntentStore::instance();
        const ImportIntent* pending = prep.hash ? intents.holding(*prep.hash) : nullptr;
        if (!pending && prep.dedupeHash)
            pending = intents.holding(*prep.dedupeHash);
        CaptureLog::log(QStringLiteral("card ") + QString::number(i) +
                        (pending ? QStringLiteral(" SKIP pending-import session=") +
                                       pending->sessionId.value_or(QStringLiteral("(not yet created)"))
                                 : QStringLiteral(" SKIP already-imported")) +
                        QStringLiteral(" prep=") + QString::number(prepMs) + QStringLiteral("ms"));
        ++run.skipped;
        run.importedBeforeScans += scansOf(card);
        return false;
    }
    if (prep.dedupeHash) {
        if (isScanIdentityAdmitted(*prep.dedupeHash)) {
            CaptureLog::log(QStringLiteral("card ") + QString::number(i) +
                            QStringLiteral(" SKIP duplicate-scan prep=") + QString::number(prepMs) +
                            QStringLiteral("ms hash=") + prep.dedupeHash->left(12) + QStringLiteral(" file=") +
                            QFileInfo(card.front).fileName());
            ++run.duplicates;
            run.duplicateScans += scansOf(card);
            return false;
        }
        admittedScanIdentities_.insert(*prep.dedupeHash);
    }
    return true;
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
