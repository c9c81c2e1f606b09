#include "app/batch/CaptureViewModel.h"

#include "app/batch/PublishedValue.h"
#include "app/settings/CaptureConfig.h"
#include "core/art/ArtSeriesStampingResolver.h"
#include "core/art/SharedArtCardMatcher.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ManaboxCsvExport.h"
#include "core/records/RawScanCsvExport.h"
#include "core/records/TrainingDataStore.h"
#include "core/support/CaptureLog.h"
#include "core/support/StdoutTrace.h"
#include "core/recognition/VisionCardRecognizer.h"
#include "core/resolution/ScryfallResolver.h"
#include "core/resolution/VantryCardResolver.h"
#include "platform/DelayScheduler.h"

#include <QDir>
#include <QElapsedTimer>


namespace vantry {

std::shared_ptr<CaptureViewModel> CaptureViewModel::create(AuthService* auth)
{
    return create(auth, Collaborators{});
}

std::shared_ptr<CaptureViewModel> CaptureViewModel::create(AuthService* auth, Collaborators collaborators)
{
    // Not make_shared: the constructor is private.
    return std::shared_ptr<CaptureViewModel>(new CaptureViewModel(auth, std::move(collaborators)));
}

CaptureViewModel::CaptureViewModel(AuthService* auth, Collaborators collaborators)
    : recount_(new BatchRecount(*this)),
      binList_(new InventoryBinList(*this)),
      auth_(auth),
      foilDetector_(std::make_shared<FoilDetectionService>()),
      collaborators_(std::move(collaborators))
{
    givenRecognizer_ = collaborators_.recognizer;
    baseResolver_ = collaborators_.resolver;
    if (!baseResolver_) {
        // The service URL is read once: a later change reaches only batches opened afterwards.
        baseResolver_ = std::make_shared<VantryCardResolver>(CaptureConfig::current().apiURL,
                                                             std::make_shared<ScryfallResolver>());
    }
    std::shared_ptr<const ArtCardMatching> matcher;
    if (collaborators_.artMatcher) {
        matcher = *collaborators_.artMatcher;
    } else {
        // One matcher per process, its index read off the main thread; until it is there the
        // chain has no art ids, and the first operation that needs the chain waits for it.
        matcher = SharedArtCardMatcher::ifLoaded();
        awaitingArtMatcher_ = !matcher;
    }
    buildResolverChain(matcher);
    collaborators_.recognizer.reset();
    collaborators_.resolver.reset();
    collaborators_.artMatcher.reset();

    // Imports are settled process-wide: a held import of this batch may be settled in another tab.
    ImportIntentStore& intents = ImportIntentStore::instance();
    connect(&intents, &ImportIntentStore::changed, this, &CaptureViewModel::intentsChanged);
    connect(&intents, &ImportIntentStore::settled, this, &CaptureViewModel::intentSettled);
}

void CaptureViewModel::buildResolverChain(const std::shared_ptr<const ArtCardMatching>& matcher)
{
    resolver_ = std::make_shared<ArtSeriesStampingResolver>(baseResolver_, artSeriesIds(matcher));
    recognizer_ = givenRecognizer_;
    if (!recognizer_) {
        recognizer_ = std::make_shared<VisionCardRecognizer>(resolver_, matcher,
                                                             [] { return CaptureConfig::current().autoFoilDetect; });
    }
}

QCoro::Task<> CaptureViewModel::awaitArtMatcher()
{
    if (!awaitingArtMatcher_)
        co_return;
    const auto self = shared_from_this();
    const std::shared_ptr<const ArtCardMatching> matcher = co_await SharedArtCardMatcher::get();
    if (!awaitingArtMatcher_)
        co_return; // another operation got there first
    awaitingArtMatcher_ = false;
    if (matcher)
        buildResolverChain(matcher);
}

CaptureViewModel::~CaptureViewModel() = default;

CaptureConfig CaptureViewModel::config() const { return CaptureConfig::current(); }

qint64 CaptureViewModel::nowNs() const
{
    if (collaborators_.clockNs)
        return collaborators_.clockNs();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

DelayScheduler& CaptureViewModel::scheduler() const
{
    return collaborators_.scheduler ? *collaborators_.scheduler : QtDelayScheduler::shared();
}

// --- Published state ---------------------------------------------------------------------

void CaptureViewModel::setRows(std::vector<Row> value)
{
    lastRunNothingNew_.reset(); // said of the rows as they were
    publish(this, rows_, std::move(value), &CaptureViewModel::rowsChanged);
}
void CaptureViewModel::setIsWorking(bool value)
{
    publish(this, isWorking_, value, &CaptureViewModel::isWorkingChanged);
}
void CaptureViewModel::beginWork()
{
    ++workInFlight_;
    setIsWorking(true);
}
void CaptureViewModel::endWork()
{
    workInFlight_ = std::max(workInFlight_ - 1, 0);
    if (workInFlight_ == 0)
        setIsWorking(false);
}
void CaptureViewModel::setIsImporting(bool value)
{
    publish(this, isImporting_, value, &CaptureViewModel::isImportingChanged);
}
void CaptureViewModel::setStatusMessage(QString value)
{
    publish(this, statusMessage_, std::move(value), &CaptureViewModel::statusMessageChanged);
}
void CaptureViewModel::setImportError(std::optional<QString> value)
{
    setImportError(std::move(value), QStringLiteral("Import failed"));
}
void CaptureViewModel::setImportError(std::optional<QString> value, QString title)
{
    importErrorTitle_ = value ? std::move(title) : QString();
    publish(this, importError_, std::move(value), &CaptureViewModel::importErrorChanged);
}
void CaptureViewModel::setToast(std::optional<QString> value)
{
    publish(this, toast_, std::move(value), &CaptureViewModel::toastChanged);
}
void CaptureViewModel::setScanOrientationHintDismissed(bool value)
{
    publish(this, scanOrientationHintDismissed_, value, &CaptureViewModel::scanOrientationHintDismissedChanged);
}
void CaptureViewModel::setProgress(std::optional<Progress> value)
{
    publish(this, progress_, std::move(value), &CaptureViewModel::progressChanged);
}
void CaptureViewModel::setLastImportedSession(std::optional<QString> value)
{
    publish(this, lastImportedSession_, std::move(value), &CaptureViewModel::lastImportedSessionChanged);
}
void CaptureViewModel::setPrefHealMessage(std::optional<QString> value)
{
    publish(this, prefHealMessage_, std::move(value), &CaptureViewModel::prefHealMessageChanged);
}
void CaptureViewModel::setBin(QString value) { publish(this, bin_, std::move(value), &CaptureViewModel::binChanged); }

// --- What the window and its commands tell the batch ---------------------------------------

void CaptureViewModel::editBin(QString bin) { setBin(std::move(bin)); }

void CaptureViewModel::reportStatus(QString text) { setStatusMessage(std::move(text)); }

void CaptureViewModel::reportError(QString message, QString title)
{
    setImportError(std::move(message), std::move(title));
}

void CaptureViewModel::dismissImportError() { setImportError(std::nullopt); }

void CaptureViewModel::showPrefHealMessage(QString message) { setPrefHealMessage(std::move(message)); }

void CaptureViewModel::dismissPrefHealMessage() { setPrefHealMessage(std::nullopt); }

void CaptureViewModel::dismissScanOrientationHint() { setScanOrientationHintDismissed(true); }

void CaptureViewModel::repointArchivedScans(const QHash<QString, QString>& movedTo)
{
    std::vector<Row> rows = rows_;
    bool repointed = false;
    for (Row& row : rows) {
        if (const auto it = movedTo.constFind(QDir::cleanPath(row.card.front)); it != movedTo.cend()) {
            row.card.front = *it;
            repointed = true;
        }
        if (row.card.back) {
            if (const auto it = movedTo.constFind(QDir::cleanPath(*row.card.back)); it != movedTo.cend()) {
                row.card.back = *it;
                repointed = true;
            }
        }
    }
    if (repointed)
        setRows(std::move(rows));
}

// --- Training store ----------------------------------------------------------------------

TrainingDataStore* CaptureViewModel::trainingStore()
{
    if (!trainingStore_) {
        try {
            trainingStore_.emplace(std::make_unique<TrainingDataStore>(collaborators_.trainingStoreURL));
        } catch (const std::exception& error) {
            StdoutTrace::print(TraceTopic::training,
                               QStringLiteral("store init failed: ") + QString::fromUtf8(error.what()));
            trainingStore_.emplace(nullptr);
        }
    }
    return trainingStore_->get();
}

// --- Toasts --------------------------------------------------------------------------------

void CaptureViewModel::showToast(const QString& text)
{
    setToast(text);
    const quint64 task = ++toastTask_; // a newer toast cancels the pending dismissal
    scheduler().after(toastDuration, this, [this, task] {
        if (toastTask_ == task)
            setToast(std::nullopt);
    });
}

void CaptureViewModel::hideToast()
{
    ++toastTask_;
    setToast(std::nullopt);
}

// --- Derived values ------------------------------------------------------------------------

std::vector<Candidate> CaptureViewModel::chosen() const
{
    std::vector<Candidate> result;
    for (const Row& row : rows_) {
        if (row.chosen)
            result.push_back(*row.chosen);
    }
    return result;
}

std::vector<ScanItemPayload> CaptureViewModel::items() const
{
    const CaptureConfig settings = config();
    QString addedBy = QStringLiteral("scanner");
    if (auth_ && auth_->email() && !auth_->email()->isEmpty())
        addedBy = *auth_->email();
    return aggregateItems(chosen(), addedBy, settings.defaultCondition, settings.defaultAcquisitionCost);
}

QString CaptureViewModel::manaboxCsvForExport() const
{
    const CaptureConfig settings = config();
    std::vector<ManaboxExportCard> cards;
    for (const Candidate& c : chosen())
        cards.push_back({c.scryfallId, c.name, c.setCode, c.collectorNumber, c.finish, settings.defaultCondition});
    return ManaboxCsvExport::generate(cards, QStringLiteral("en"));
}

QString CaptureViewModel::rawScanCsvForExport() const
{
    const CaptureConfig settings = config();
    std::vector<RawScanCard> cards;
    for (const Row& row : rows_) {
        if (!row.chosen)
            continue;
        const Candidate& c = *row.chosen;
        ScanStatus status = ScanStatus::review;
        if (row.reviewed || row.userTouchedFinish)
            status = ScanStatus::confirmed;
        else if (row.disposition == Disposition::autoConfirm)
            status = ScanStatus::auto_;
        cards.push_back({c.scryfallId, c.name, c.setCode, c.collectorNumber, c.finish, settings.defaultCondition,
                         c.effectivePriceUSD(), status});
    }
    return RawScanCsvExport::generate(cards, QStringLiteral("en"));
}

bool CaptureViewModel::hasConfirmedRows() const
{
    return std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.chosen.has_value(); });
}

qint64 CaptureViewModel::needsReviewCount() const
{
    return std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return !r.chosen; });
}

qint64 CaptureViewModel::noTextDetectedCount() const
{
    return std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return !r.chosen && r.noTextDetected; });
}

qint64 CaptureViewModel::multiFeedCount() const
{
    return std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.isOpenMultiFeed(); });
}

double CaptureViewModel::totalValue() const
{
    double total = 0;
    for (const Candidate& c : chosen())
        total += c.effectivePriceUSD().value_or(0);
    return total;
}

QString CaptureViewModel::reviewStatusMessage() const
{
    const qint64 confirmed =
        std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.chosen.has_value(); });
    const qint64 autoConfirmed =
        std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.isAutoConfirmed(); });
    const auto cards = qint64(rows_.size());
    const qint64 toReview = needsReviewCount();
    QStringList pieces{
        QString::number(cards) + (cards == 1 ? QStringLiteral(" card") : QStringLiteral(" cards")),
        QString::number(confirmed) + QStringLiteral(" confirmed"),
        QString::number(autoConfirmed) + QStringLiteral(" auto-confirmed"),
        QString::number(toReview) + (toReview == 1 ? QStringLiteral(" needs review") : QStringLiteral(" need review")),
    };
    if (lastIngestSkippedCount_ >= 1)
        pieces << QString::number(lastIngestSkippedCount_) + QStringLiteral(" already imported (skipped)");
    if (lastIngestDuplicateCount_ >= 1) {
        pieces << QString::number(lastIngestDuplicateCount_) + QStringLiteral(" duplicate scan") +
                      (lastIngestDuplicateCount_ == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" skipped");
    }
    if (const qint64 multiFeed = multiFeedCount(); multiFeed > 0)
        pieces << QString::number(multiFeed) + QStringLiteral(" multi-feed");
    if (!leftOutScans_.empty())
        pieces << leftOutSummary(leftOutScans_);
    return pieces.join(QStringLiteral(" \u00B7 "));
}

void CaptureViewModel::refreshReviewStatusMessage()
{
    if (!rows_.empty()) {
        setStatusMessage(reviewStatusMessage());
        return;
    }
    QString text = QStringLiteral("No cards left in this batch.");
    if (!leftOutScans_.empty())
        text += QLatin1Char(' ') + leftOutSummary(leftOutScans_);
    setStatusMessage(text);
}

bool CaptureViewModel::noteLeftOutScans(const std::vector<LeftOutScanFile>& files)
{
    bool added = false;
    for (const LeftOutScanFile& file : files) {
        if (std::find(leftOutScans_.begin(), leftOutScans_.end(), file) != leftOutScans_.end())
            continue;
        leftOutScans_.push_back(file);
        added = true;
    }
    return added;
}

void CaptureViewModel::addLeftOutScans(const std::vector<LeftOutScanFile>& files)
{
    if (noteLeftOutScans(files))
        refreshReviewStatusMessage();
}

// --- Automatic foil verdicts -------------------------------------------------------------

void CaptureViewModel::spawnFoilProbe(QUuid rowId, QImage scan, QString scryfallId)
{
    using Result = std::optional<FoilDetectionService::DetectionResult>;
    std::function<QCoro::Task<Result>()> detect;
    if (collaborators_.foilProbe) {
        detect = [probe = collaborators_.foilProbe, scan, scryfallId] { return probe(scan, scryfallId); };
    } else {
        detect = [detector = foilDetector_, scan, scryfallId] { return detector->detect(scan, scryfallId); };
    }
    // The probe holds the model weakly: a closed batch goes away while its probes run.
    auto probe = [](std::weak_ptr<CaptureViewModel> weak, QUuid rowId,
                    std::function<QCoro::Task<Result>()> detect) -> QCoro::Task<> {
        if (weak.expired())
            co_return;
        const Result result = co_await CaptureLog::measure(QStringLiteral("foil"), std::move(detect));
        const auto model = weak.lock();
        if (!model || !result || !result->foilAvailable || !(result->score >= foilVerdictMinimumScore))
            co_return;
        model->enqueueAutoFoilVerdict(rowId, result->score);
    };
    probe(weak_from_this(), rowId, std::move(detect));
}

void CaptureViewModel::enqueueAutoFoilVerdict(QUuid rowId, double score)
{
    pendingFoilVerdicts_.emplace_back(rowId, score);
    if (foilVerdictFlushTask_)
        return;
    const quint64 task = ++foilVerdictFlushCount_;
    foilVerdictFlushTask_ = task;
    scheduler().after(foilVerdictWindow, this, [this, task] {
        if (foilVerdictFlushTask_ != task)
            return; // cancelled by a new batch
        foilVerdictFlushTask_.reset();
        applyPendingFoilVerdicts();
    });
}

void CaptureViewModel::applyPendingFoilVerdicts()
{
    if (pendingFoilVerdicts_.empty())
        return;
    const auto verdicts = std::exchange(pendingFoilVerdicts_, {});
    QHash<QUuid, std::size_t> position;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        position.insert(rows_[i].id, i);
    std::vector<Row> updated = rows_;
    bool changed = false;
    for (const auto& [rowId, score] : verdicts) {
        const auto it = position.constFind(rowId);
        if (it == position.cend())
            continue;
        updated[*it].autoFoilScore = score;
        changed = true;
    }
    if (changed)
        setRows(std::move(updated));
}

void CaptureViewModel::dropPendingFoilVerdicts()
{
    pendingFoilVerdicts_.clear();
    foilVerdictFlushTask_.reset();
}

} // namespace vantry
