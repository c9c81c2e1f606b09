// Rotate and re-analyse: the rotate button of a review row turns its scan a further quarter
// turn and recognises it again, on the CPU pool's interactive lane so that it overtakes a
// running ingest. The file on disk is never changed.
#include "app/settings/CaptureConfig.h"
#include "app/batch/CaptureViewModel.h"
#include "core/ingest/RotatedScan.h"
#include "core/ingest/ScanPreparation.h"
#include "core/reading/CardCropper.h"
#include "core/reading/CollectorMatching.h"
#include "core/support/CPUWork.h"

#include <QFileInfo>

namespace vantry {

QCoro::Task<> CaptureViewModel::rotateAndReanalyze(QUuid id)
{
    const auto self = shared_from_this();
    const std::optional<RotationPress> pressed = pressRotation(id);
    if (!pressed)
        co_return;
    const ScannedCard& card = pressed->card;

    co_await awaitArtMatcher();
    auto prepare = [path = card.front, turns = pressed->turns] { return RotatedScan::prepare(path, turns); };
    const std::optional<RotatedScan> scan = co_await CPUWork::run(std::move(prepare), CPULane::interactive);
    RotatedRead read;
    if (scan) {
        read.multiFeed = scan->cropped() && looksLikeMultiFeed(scan->cardImage.width(), scan->cardImage.height());
        if (!read.multiFeed) {
            const auto recognizer = recognizer_;
            read.outcome = co_await recognizer->recognize(
                scan->cardImage, pressed->finish, ScanPreparation::backImageProvider(card, CPULane::interactive),
                CPULane::interactive);
            // A crop that read nothing may have cut the card badly: once more on the whole scan.
            if (read.outcome.candidates.empty() && scan->cropped()) {
                read.outcome = co_await recognizer->recognize(scan->rotated, pressed->finish, {}, CPULane::interactive);
                read.usedFull = true;
            }
        }
    }
    applyRotation(id, *pressed, scan ? &*scan : nullptr, read);
}

std::optional<CaptureViewModel::RotationPress> CaptureViewModel::pressRotation(const QUuid& id)
{
    const auto i = rowIndex(id);
    if (!i)
        return std::nullopt;
    const Row& row = rows_[*i];
    // A press while an earlier one still runs turns on from where that one is going; the
    // earlier result is then dropped.
    const auto running = rotations_.constFind(id);
    const int from = running != rotations_.cend() ? running->turns : row.rotationQuarterTurns;
    const int turns = (from + 1) % 4;
    const quint64 press = ++rotationCount_;
    rotations_.insert(id, Rotation{press, turns});
    RotationPress pressed{press, turns, row.card,
                          row.chosen ? row.chosen->finish : row.pendingReclassifyFinish.value_or(ScanFinish::nonfoil)};
    if (!row.isReanalyzing) {
        std::vector<Row> updated = rows_;
        updated[*i].isReanalyzing = true;
        setRows(std::move(updated));
    }
    return pressed;
}

void CaptureViewModel::applyRotation(const QUuid& id, const RotationPress& pressed, const RotatedScan* scan,
                                     const RotatedRead& read)
{
    // Only the latest press of a row still there writes; a new batch or a skip forgot it.
    const auto latest = rotations_.constFind(id);
    if (latest == rotations_.cend() || latest->press != pressed.press)
        return;
    rotations_.erase(latest);
    const auto j = rowIndex(id);
    if (!j)
        return;
    std::vector<Row> updated = rows_;
    Row& target = updated[*j];
    target.isReanalyzing = false;
    if (!scan) {
        setRows(std::move(updated));
        setStatusMessage(QStringLiteral("Couldn't rotate ") + QFileInfo(pressed.card.front).fileName() +
                         QStringLiteral(": the scan file can't be read."));
        return;
    }

    const std::optional<Candidate> oldChosen = target.chosen;
    takeRotatedRead(target, pressed.turns, *scan, read);
    BinMap bins = recount_->binByPrinting();
    const bool choiceChanged = carryRecountDestination(target, oldChosen, bins);
    setRows(std::move(updated));
    if (bins != recount_->binByPrinting())
        recount_->setBinByPrinting(std::move(bins));
    if (choiceChanged)
        recount_->dropPreview();
    refreshReviewStatusMessage();
}

void CaptureViewModel::takeRotatedRead(Row& target, int turns, const RotatedScan& scan, const RotatedRead& read) const
{
    const CaptureConfig settings = config();
    const CardAttribution& a = read.outcome.attribution;
    const std::vector<Candidate>& candidates = read.outcome.candidates;
    const bool multiFeed = read.multiFeed;
    const Disposition disposition =
        multiFeed ? Disposition::unresolved
                  : validatedDisposition(candidates, a, settings.autoThreshold, settings.gapMin).disposition;
    const std::optional<QImage> thumbnail = read.usedFull && scan.fullThumbnail ? scan.fullThumbnail : scan.thumbnail;
    const std::optional<QByteArray> zoom = read.usedFull && scan.fullZoomJPEG ? scan.fullZoomJPEG : scan.zoomJPEG;

    target.rotationQuarterTurns = turns;
    target.candidates = candidates;
    if (thumbnail)
        target.thumbnail = thumbnail;
    if (zoom)
        target.zoomImageData = zoom;
    target.chosen.reset();
    if (disposition == Disposition::autoConfirm && !candidates.empty())
        target.chosen = candidates.front();
    target.disposition = disposition;
    target.readNote.reset();
    if (multiFeed)
        target.readNote = multiFeedNote();
    else if (candidates.empty())
        target.readNote = unreadableNote(a);
    const bool titleRead = a.title && !a.title->isEmpty();
    target.noTextDetected = !multiFeed && candidates.empty() && !a.isArtSeries && !a.setCode && !titleRead;
    target.isToken = a.isToken;
    target.isArtSeries = a.isArtSeries || (!candidates.empty() && candidates.front().isArtSeries);
    target.isMultiFeed = multiFeed;
}

bool CaptureViewModel::carryRecountDestination(Row& target, const std::optional<Candidate>& oldChosen,
                                               BinMap& bins) const
{
    // The recount destination follows the choice, as a confirm or unconfirm would carry it.
    const std::optional<QString> oldItemId = oldChosen ? std::optional(scanItemId(*oldChosen)) : std::nullopt;
    const std::optional<QString> newItemId =
        target.chosen ? std::optional(scanItemId(*target.chosen)) : std::nullopt;
    const bool choiceChanged = oldItemId != newItemId;
    std::optional<QString> bin = target.pendingReclassifyBin;
    if (oldItemId) {
        const auto it = recount_->binByPrinting().find(*oldItemId);
        bin = it != recount_->binByPrinting().end() ? std::optional(it->second) : std::nullopt;
    }
    if (choiceChanged) {
        // What was signed off is no longer the row's printing.
        target.reviewed = false;
        if (newItemId) {
            target.pendingReclassifyBin.reset();
            target.pendingReclassifyFinish.reset();
            if (bin)
                bins[*newItemId] = *bin;
        } else if (oldChosen) {
            target.pendingReclassifyBin = bin;
            target.pendingReclassifyFinish = oldChosen->finish;
        }
    }
    return choiceChanged;
}

} // namespace vantry
