#pragma once

#include "app/auth/AuthService.h"
#include "app/batch/BatchRecount.h"
#include "app/batch/ImportOutcome.h"
#include "app/batch/InventoryBinList.h"
#include "app/batch/IngestOptions.h"
#include "core/art/ArtCardMatching.h"
#include "core/card/Candidate.h"
#include "core/card/ScanFinish.h"
#include "core/card/ScanItemPayload.h"
#include "core/card/ScannedCard.h"
#include "core/foil/FoilDetectionService.h"
#include "core/intake/LeftOutScanFile.h"
#include "core/reading/CollectorMatching.h"
#include "core/recognition/CardRecognizing.h"
#include "core/recognition/Disposition.h"
#include "core/records/ImportIntent.h"
#include "core/resolution/CardResolving.h"
#include "core/service/InventoryBinSummary.h"
#include "core/service/ScanReplace.h"
#include "core/service/ScanReplaceTally.h"
#include "core/service/VantryClient.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QUuid>

#include <QCoroTask>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace vantry {

namespace test {
class CaptureViewModelTestAccess;
}
class DelayScheduler;
class FolderPicker;
class ImportFlow;
class TrainingDataStore;
struct CaptureConfig;
struct IngestCard;
struct RotatedScan;
struct ScanPrep;

// The model of one batch tab: its review rows and every value the capture window and the
// recount screen observe, and the collaborators its operations use. Main thread only.
//
// Always owned by a shared_ptr (see `create`) and never by a QObject parent: a long
// operation holds the model until it ends, so a closed tab's running work finishes on a
// live object, and finds its rows again by id after every suspension.
//
// Every published value is a Qt property whose change signal is emitted on every
// assignment, also one that keeps the value. Published values are read-only outside the model:
// callers change them through its operations. The recount and the workspace's bins list are
// sub-objects of their own (`recount`, `binList`); the recount operations stay callable here.
class CaptureViewModel : public QObject, public std::enable_shared_from_this<CaptureViewModel> {
    Q_OBJECT
    Q_PROPERTY(std::vector<vantry::CaptureViewModel::Row> rows READ rows NOTIFY rowsChanged)
    Q_PROPERTY(bool isWorking READ isWorking NOTIFY isWorkingChanged)
    Q_PROPERTY(bool isImporting READ isImporting NOTIFY isImportingChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(std::optional<QString> importError READ importError NOTIFY importErrorChanged)
    Q_PROPERTY(std::optional<QString> toast READ toast NOTIFY toastChanged)
    Q_PROPERTY(bool scanOrientationHintDismissed READ scanOrientationHintDismissed NOTIFY
                   scanOrientationHintDismissedChanged)
    Q_PROPERTY(std::optional<vantry::CaptureViewModel::Progress> progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(std::optional<QString> lastImportedSession READ lastImportedSession NOTIFY lastImportedSessionChanged)
    Q_PROPERTY(std::optional<QString> prefHealMessage READ prefHealMessage NOTIFY prefHealMessageChanged)
    Q_PROPERTY(QString bin READ bin NOTIFY binChanged)
    Q_PROPERTY(vantry::BatchRecount* recount READ recount CONSTANT)
    Q_PROPERTY(vantry::InventoryBinList* binList READ binList CONSTANT)

public:
    // One card under review. `id` is fixed once the row exists, and so is `card`, except that
    // its files are re-pointed when Clear Folder moves them into the archive.
    struct Row {
        QUuid id;
        ScannedCard card;
        std::optional<QImage> thumbnail;
        std::optional<QByteArray> zoomImageData; // JPEG
        std::vector<Candidate> candidates;       // best first
        std::optional<Candidate> chosen;         // present: confirmed; absent: needs review
        Disposition disposition = Disposition::unresolved;
        QString manualQuery;
        std::optional<QString> readNote;
        bool noTextDetected = false;
        std::optional<QString> contentHash;
        std::optional<QString> scanIdentityHash;
        std::optional<double> autoFoilScore;
        bool userTouchedFinish = false;
        std::optional<QString> pendingReclassifyBin;
        std::optional<ScanFinish> pendingReclassifyFinish;
        int rotationQuarterTurns = 0; // 0...3
        bool isReanalyzing = false;
        bool isToken = false;
        bool isArtSeries = false;
        bool isMultiFeed = false;
        bool reviewed = false;
        bool isManual = false;

        // Confirmed as the recogniser chose it. A printing the user picked by hand (after
        // "Change", from the candidates or a search) makes the row user-confirmed instead.
        bool isAutoConfirmed() const { return chosen && disposition == Disposition::autoConfirm; }
        // Looks like two cards fed at once and is not settled yet: a printing the user
        // confirmed by hand resolves it.
        bool isOpenMultiFeed() const { return isMultiFeed && !chosen; }
    };

    using LastRecountResult = vantry::LastRecountResult;

    struct Progress {
        qint64 done = 0;
        qint64 total = 0;

        bool operator==(const Progress&) const = default;
    };

    using BinMap = RecountBinMap; // item id -> destination bin, as the recount plan takes it

    // What `create` builds itself when left empty. Tests pass fakes.
    struct Collaborators {
        // Kept as given; otherwise the recognizer over the resolver chain.
        std::shared_ptr<const CardRecognizing> recognizer;
        // Wrapped in the Art Series stamping resolver; otherwise the service's card lookup
        // with the public catalogue as fallback, on the service URL of this moment.
        std::shared_ptr<const CardResolving> resolver;
        // Absent: the process's art matcher. Present but null: no art matching.
        std::optional<std::shared_ptr<const ArtCardMatching>> artMatcher;
        // The foil probe; otherwise the model's `FoilDetectionService`.
        std::function<QCoro::Task<std::optional<FoilDetectionService::DetectionResult>>(QImage, QString)> foilProbe;
        // Timers of toasts and foil verdicts; otherwise Qt timers.
        DelayScheduler* scheduler = nullptr;
        // Monotonic nanoseconds for throttles and timings; otherwise the steady clock.
        std::function<qint64()> clockNs;
        // Asks for the folder of a folder import; none: a folder import needs a preset.
        std::shared_ptr<FolderPicker> folderPicker;
        // Where the training store lives; none: its default folder.
        std::optional<QString> trainingStoreURL;
        // The wait between two polls of a recount commit; otherwise a timer.
        VantryClient::Sleeper pollSleeper;
        // Cards one ingest run prepares and recognises at once; 0: twice as many as the CPU pool
        // is wide, so that while one card waits between its steps another keeps the queue busy.
        int ingestWindow = 0;
    };

    static constexpr std::chrono::milliseconds toastDuration{4000};
    static constexpr std::chrono::milliseconds foilVerdictWindow{200};
    static constexpr std::chrono::milliseconds publishInterval{250};
    static constexpr double foilVerdictMinimumScore = 0.4;

    // `auth` gives the importer's identity; it outlives every model (one per process).
    static std::shared_ptr<CaptureViewModel> create(AuthService* auth);
    static std::shared_ptr<CaptureViewModel> create(AuthService* auth, Collaborators collaborators);
    ~CaptureViewModel() override;

    // --- Published state ---------------------------------------------------------------
    const std::vector<Row>& rows() const { return rows_; }
    bool isWorking() const { return isWorking_; }
    // Work that shows the busy state (ingests, recount runs). Counted: runs overlap, and the
    // state stays busy until the last one ends.
    void beginWork();
    void endWork();
    bool isImporting() const { return isImporting_; }
    const QString& statusMessage() const { return statusMessage_; }
    const std::optional<QString>& importError() const { return importError_; }
    // The banner's title says what went wrong; without one, "Import failed".
    const QString& importErrorTitle() const { return importErrorTitle_; }
    const std::optional<QString>& toast() const { return toast_; }
    bool scanOrientationHintDismissed() const { return scanOrientationHintDismissed_; }
    const std::optional<Progress>& progress() const { return progress_; }
    const std::optional<QString>& lastImportedSession() const { return lastImportedSession_; }
    const std::optional<QString>& prefHealMessage() const { return prefHealMessage_; }
    const QString& bin() const { return bin_; }
    // The recount: its mode, old bins, selection, destinations, preview, confirmation and last
    // result, and their operations.
    BatchRecount* recount() const { return recount_; }
    // The workspace's bins, as last loaded.
    InventoryBinList* binList() const { return binList_; }

    // --- What the window and its commands tell the batch ---------------------------------
    // The bin the next import goes into, as the user typed it or the scan folder suggests.
    void editBin(QString bin);
    // A line for the status bar (the watcher, the scanner, the commands).
    void reportStatus(QString text);
    // A failure for the red banner, under `title`.
    void reportError(QString message, QString title);
    void dismissImportError();
    // The preference healer's notice, until the user dismisses it.
    void showPrefHealMessage(QString message);
    void dismissPrefHealMessage();
    void dismissScanOrientationHint();
    // Clear Folder moved scan files into its archive: rows of a moved file now show and
    // import it from there. `movedTo` maps each cleaned old path to its new path.
    void repointArchivedScans(const QHash<QString, QString>& movedTo);

    // --- Plain state -------------------------------------------------------------------
    // In-app scans in a row that delivered no page; kept by the capture window.
    int directScanEmptyStreak = 0;
    qint64 lastIngestSkippedCount() const { return lastIngestSkippedCount_; }
    qint64 lastIngestDuplicateCount() const { return lastIngestDuplicateCount_; }
    // The last run's word that it brought nothing new (every scan imported before or already
    // in the batch), until the batch's cards change or another run starts; the window shows
    // it in place of an empty list.
    const std::optional<QString>& lastRunNothingNew() const { return lastRunNothingNew_; }
    const QSet<QString>& admittedScanIdentities() const { return admittedScanIdentities_; }
    // Files of this batch's folders and scans that were left out, and why, oldest first; the
    // status line names them. A new batch or a folder import that replaces the batch forgets them.
    const std::vector<LeftOutScanFile>& leftOutScans() const { return leftOutScans_; }
    // Adds files not told yet (the watcher's, a folder import's) and refreshes the status line.
    void addLeftOutScans(const std::vector<LeftOutScanFile>& files);
    qint64 ingestGeneration() const { return ingestGeneration_; }

    // --- Collaborators -----------------------------------------------------------------
    AuthService* auth() const { return auth_; }
    const std::shared_ptr<const CardRecognizing>& recognizer() const { return recognizer_; }
    const std::shared_ptr<const CardResolving>& resolver() const { return resolver_; }
    FoilDetectionService& foilDetector() { return *foilDetector_; }
    // Created on first use and kept, also when creation failed (then none, for good).
    TrainingDataStore* trainingStore();

    // --- Derived values (computed from the rows on every read) ---------------------------
    std::vector<Candidate> chosen() const;
    std::vector<ScanItemPayload> items() const;
    QString manaboxCsvForExport() const;
    QString rawScanCsvForExport() const;
    bool hasConfirmedRows() const;
    qint64 needsReviewCount() const;
    qint64 noTextDetectedCount() const;
    qint64 multiFeedCount() const;
    double totalValue() const;
    QString reviewStatusMessage() const;
    // The review status line, or "No cards left in this batch." for an empty batch.
    void refreshReviewStatusMessage();
    // The note of a row whose crop looks like two cards fed at once.
    static QString multiFeedNote();

    // --- Ingest ---------------------------------------------------------------------------
    // Imports a folder into a fresh batch (or, with `append`, adds it to this one): `preset`,
    // or the folder the user picks.
    QCoro::Task<> importFromFolder(std::optional<QString> preset = std::nullopt, bool append = false);
    // Adds the cards in order, as `options` say. Several cards are prepared and recognised at
    // once (`Collaborators::ingestWindow`); they become rows in card order. Never throws.
    QCoro::Task<> ingest(std::vector<ScannedCard> cards, IngestOptions options);
    // Makes every running ingest stale: it stops at its next check and publishes nothing more.
    void cancelIngests();

    // --- Review actions (CaptureViewModelReview.cpp) ------------------------------------------
    // A row's chosen printing, finish and recount destination move together; every edit that
    // can change the recount plan drops the pending preview. An id of no row changes no row.
    // Empties the batch; the import bin and the recount plan stay.
    void startNewBatch();
    // After a recount: leaves recount mode and imports into `bin` (as given) from now on.
    void continueAddingToBin(const QString& bin);
    // Appends max(quantity, 1) confirmed rows of `candidate`; returns how many.
    int addManualCard(const Candidate& candidate, int quantity);
    // The manual-add sheet's search; none when a newer search of the sheet started meanwhile.
    QCoro::Task<std::optional<std::vector<Candidate>>> searchForManualAdd(QString query, ScanFinish finish,
                                                                          ManualSearchKind kind);
    void confirm(QUuid id, const Candidate& candidate);
    void skip(QUuid id);
    void unconfirm(QUuid id);
    // Only a confirmed row can be marked reviewed.
    void setReviewed(QUuid id, bool value);
    void setReviewed(const QSet<QUuid>& ids, bool value);
    void setFinish(QUuid id, ScanFinish finish);
    void setArtSeriesVariant(QUuid id, ArtSeriesVariant variant);
    void setAllConfirmedFinish(ScanFinish finish);
    // The recount screen's finish of one printing: its rows, destination and selection.
    void setFinishForPrinting(const QString& scryfallId, ScanFinish fromFinish, ScanFinish toFinish);
    // The row's own search: its candidates become the results, unless the row is gone or a
    // newer search of it started meanwhile.
    QCoro::Task<> search(QUuid id, QString query);

    // --- Rotate and re-analyse (CaptureViewModelRotate.cpp) ----------------------------------
    // Turns the row's scan a further quarter turn and recognises it again on the interactive
    // lane. The file is never changed.
    QCoro::Task<> rotateAndReanalyze(QUuid id);

    // --- Toasts ---------------------------------------------------------------------------
    // Shows `text` for 4 s from this call; a newer toast restarts the time.
    void showToast(const QString& text);
    // Hides the toast now and forgets its pending dismissal.
    void hideToast();

    // --- Automatic foil verdicts -----------------------------------------------------------
    // Probes one row in the background; a confident foil score lands in its `autoFoilScore`.
    void spawnFoilProbe(QUuid rowId, QImage scan, QString scryfallId);
    void enqueueAutoFoilVerdict(QUuid rowId, double score);
    void applyPendingFoilVerdicts();
    // Drops queued verdicts and their scheduled application.
    void dropPendingFoilVerdicts();
    std::size_t pendingFoilVerdictCount() const { return pendingFoilVerdicts_.size(); }

    // --- Workspace, service client, clean-up (CaptureViewModelWorkspace.cpp) ----------------
    // Stores the user's first workspace when none is configured. Publishes nothing.
    QCoro::Task<> resolveDefaultWorkspace();
    // The workspace an import would go to, defaulted as above when none is set, so that the
    // question before an import can name it. When there is none, the import is blocked now
    // (banner and status, as the import itself blocks) and the answer is false.
    QCoro::Task<bool> resolveImportWorkspace();
    // Has the service delete scan sessions left unfinished; a toast names how many.
    QCoro::Task<> cleanupStaleScanSessions();
    // The bins of the workspace, sorted by label; one load at a time.
    QCoro::Task<> refreshInventoryBins() { return binList_->refresh(); }

    // --- Import (CaptureViewModelImport.cpp; the steps in ImportFlow.cpp) --------------------
    // Sends the confirmed rows as one scan session and, once the service states what it
    // saved, records them and takes them out of the batch. Never throws.
    QCoro::Task<> importToInventory();
    // The red banner's text for a failure of a service call.
    static QString describeImportFailure(const std::exception& error);
    // The session of an import of this batch whose outcome is unknown: its rows are held.
    std::optional<QString> uncertainImportSession() const;

    // --- Imports of unknown outcome (held across tabs and restarts) ---------------------------
    // Every held import of this user, whichever tab or run sent it.
    std::vector<ImportIntent> heldImports() const;
    // What went wrong with a held import this batch sent; none for others.
    std::optional<QString> heldImportReason(const QUuid& intentId) const;
    // The user found the cards in the inventory: their scans are recorded as imported.
    QCoro::Task<> markHeldImportAsImported(QUuid intentId);
    // The user found them missing: the hold goes, and the batch's rows of it are sent again.
    QCoro::Task<> sendHeldImportAgain(QUuid intentId);
    // Asks the service's session record of every held import not asked yet in this run; an
    // import the service shows as imported is settled without the user.
    QCoro::Task<> checkHeldImports();

    // --- Recount (BatchRecount) ----------------------------------------------------------------
    void toggleSelectedPrinting(const QString& itemId) { recount_->toggleSelectedPrinting(itemId); }
    void selectAllPrintings() { recount_->selectAllPrintings(); }
    void assignSelectedPrintings(const QString& bin) { recount_->assignSelectedPrintings(bin); }
    void clearAllAssignments() { recount_->clearAllAssignments(); }
    ScanReplaceTally::Result replaceTally() const { return recount_->replaceTally(); }
    QCoro::Task<> previewReplace() { return recount_->previewReplace(); }
    QCoro::Task<> commitReplace() { return recount_->commitReplace(); }

signals:
    void rowsChanged();
    void isWorkingChanged();
    void isImportingChanged();
    void statusMessageChanged();
    void importErrorChanged();
    void toastChanged();
    void scanOrientationHintDismissedChanged();
    void progressChanged();
    void lastImportedSessionChanged();
    void prefHealMessageChanged();
    void binChanged();
    void heldImportsChanged();

private:
    friend class BatchRecount;
    friend class ImportFlow;
    friend class InventoryBinList;
    friend class test::CaptureViewModelTestAccess;
    struct IngestRun;

    // Published state, assigned by the model's operations (and by tests, through their seam).
    void setRows(std::vector<Row> value);
    void setIsWorking(bool value);
    void setIsImporting(bool value);
    void setStatusMessage(QString value);
    void setImportError(std::optional<QString> value);
    void setImportError(std::optional<QString> value, QString title);
    void setToast(std::optional<QString> value);
    void setScanOrientationHintDismissed(bool value);
    void setProgress(std::optional<Progress> value);
    void setLastImportedSession(std::optional<QString> value);
    void setPrefHealMessage(std::optional<QString> value);
    void setBin(QString value);

    CaptureViewModel(AuthService* auth, Collaborators collaborators);

    void buildResolverChain(const std::shared_ptr<const ArtCardMatching>& matcher);
    // Rebuilds the chain over the process's art matcher once its index has been read.
    QCoro::Task<> awaitArtMatcher();
    bool isScanIdentityAdmitted(const QString& hash) const;
    // The steps of an ingest run, in the order they come (CaptureViewModelIngest.cpp).
    void beginIngestRun(IngestRun& run, const std::vector<ScannedCard>& cards, const IngestOptions& options);
    // The run's closing line: what came in, or that nothing new did.
    void tellRunOutcome(const IngestRun& run);
    // False when the run stopped: it went stale, or the record of imported scans is unreadable.
    QCoro::Task<bool> loadIngestLedger(IngestRun& run);
    // Every card from preparation to its pending row; false when the run went stale and stopped.
    QCoro::Task<bool> ingestCards(IngestRun& run, const std::vector<ScannedCard>& cards);
    // Prepared cards, in card order: left out (too large, imported, already in the batch), a
    // multi-feed, or admitted and sent to recognition.
    void admitPrepared(IngestRun& run);
    // Counts, logs and makes rows of the cards that are through, in card order, up to the
    // first still on its way; false when the run went stale and stopped.
    bool countReady(IngestRun& run);
    void countCard(IngestRun& run, const IngestCard& card);
    void publishProgress(IngestRun& run);
    void addRecognizedRow(IngestRun& run, qint64 i, Row row, const RecognitionOutcome& outcome,
                          const std::optional<QImage>& image, qint64 prepMs, qint64 recogMs);
    QCoro::Task<> endIngestRun(IngestRun& run, bool autoImport);
    // When the batch changed underneath the run: logs the CANCEL line and ends the run.
    bool stopIfStale(IngestRun& run);
    void flushPendingRows(IngestRun& run);
    void finishIngest(IngestRun& run);
    qint64 nowNs() const;
    DelayScheduler& scheduler() const;
    CaptureConfig config() const;

    // Import and automatic import: their state lives in one record of their own.
    struct ImportState;
    ImportState& importState();
    VantryClient makeClient(const QString& workspaceId) const;
    VantryClient makeClient(const CaptureConfig& settings, const QString& workspaceId) const;
    // Runs the import flow (ImportFlow.cpp) and publishes how it ended.
    QCoro::Task<> runImport();
    void publishImport(const ImportOutcome& outcome);
    void publishSaved(const ImportOutcome::Saved& saved);
    void publishNotRecorded(const QString& sessionId, int printings, const QString& reason);
    // Takes the rows with these ids out of the batch (an import found their scans in the ledger).
    void removeRows(const std::set<QUuid>& ids);
    QCoro::Task<> autoImportIfReady(CaptureConfig config);
    void recordTrainingLabels(const std::vector<Row>& rows);
    // The local records of an import the service confirmed, and its rows out of the batch.
    struct ImportedBatch;
    std::optional<ImportedBatch> applyImported(const QUuid& intentId, QString sessionId);
    void intentsChanged();
    void intentSettled(const QUuid& intentId, bool imported);
    std::shared_ptr<ImportState> importState_; // made on first use

    std::vector<Row> rows_;
    bool isWorking_ = false;
    int workInFlight_ = 0;
    int ingestsWithProgress_ = 0; // the last one to end clears the progress
    bool isImporting_ = false;
    QString statusMessage_;
    std::optional<QString> importError_;
    QString importErrorTitle_;
    std::optional<QString> toast_;
    bool scanOrientationHintDismissed_ = false;
    std::optional<Progress> progress_;
    std::optional<QString> lastImportedSession_;
    std::optional<QString> prefHealMessage_;
    quint64 toastTask_ = 0; // the pending dismissal; a newer toast or a hide moves it on
    QString bin_;
    BatchRecount* recount_;     // a child of the model
    InventoryBinList* binList_; // a child of the model

    QPointer<AuthService> auth_;
    std::shared_ptr<const CardRecognizing> givenRecognizer_;
    std::shared_ptr<const CardResolving> baseResolver_;
    bool awaitingArtMatcher_ = false;
    std::shared_ptr<const CardRecognizing> recognizer_;
    std::shared_ptr<const CardResolving> resolver_;
    std::shared_ptr<FoilDetectionService> foilDetector_;
    std::optional<std::unique_ptr<TrainingDataStore>> trainingStore_; // absent: not yet created
    qint64 lastIngestSkippedCount_ = 0;
    qint64 lastIngestDuplicateCount_ = 0;
    std::optional<QString> lastRunNothingNew_;
    QSet<QString> admittedScanIdentities_;
    qint64 ingestGeneration_ = 0;
    std::vector<LeftOutScanFile> leftOutScans_;
    // Appends the files not already listed; true when any was new.
    bool noteLeftOutScans(const std::vector<LeftOutScanFile>& files);
    std::vector<std::pair<QUuid, double>> pendingFoilVerdicts_;
    std::optional<quint64> foilVerdictFlushTask_; // the scheduled application, by number
    quint64 foilVerdictFlushCount_ = 0;

    Collaborators collaborators_;

    // Review actions: the latest search of each row and of the manual-add sheet, and the
    // latest rotation of each row with the turns it goes to.
    struct Rotation {
        quint64 press = 0;
        int turns = 0;
    };
    std::optional<std::size_t> rowIndex(const QUuid& id) const;
    void editPrinting(QUuid id, const std::function<void(Candidate&)>& edit, bool touchesFinish);
    QHash<QUuid, quint64> rowSearches_;
    quint64 rowSearchCount_ = 0;
    quint64 manualAddSearches_ = 0;
    QHash<QUuid, Rotation> rotations_;
    quint64 rotationCount_ = 0;

    // The steps of rotate and re-analyse (CaptureViewModelRotate.cpp).
    struct RotationPress {
        quint64 press = 0;
        int turns = 0;
        ScannedCard card;
        ScanFinish finish = ScanFinish::nonfoil; // the row's finish, read again under it
    };
    struct RotatedRead {
        RecognitionOutcome outcome;
        bool usedFull = false; // read off the whole turned scan, the crop having read nothing
        bool multiFeed = false;
    };
    // Notes the press and marks the row busy; none for a row that is gone.
    std::optional<RotationPress> pressRotation(const QUuid& id);
    // The turned scan (none: unreadable) and what was read off it reach the row, when this
    // press is still the row's latest.
    void applyRotation(const QUuid& id, const RotationPress& pressed, const RotatedScan* scan, const RotatedRead& read);
    void takeRotatedRead(Row& target, int turns, const RotatedScan& scan, const RotatedRead& read) const;
    // Moves the recount destination along with a changed choice; true when the choice changed.
    bool carryRecountDestination(Row& target, const std::optional<Candidate>& oldChosen, BinMap& bins) const;
};

} // namespace vantry
