// The review actions of CaptureViewModel: what the review rows, the bulk bar, the manual-add
// sheet and the recount screen's finish picker change in the batch.
//
// A row's chosen printing, its finish and its recount destination move together: the
// destination is kept in `binByPrinting` under the full item id of the chosen printing, so
// every edit that changes that id carries the entry to the new id. Every edit that can
// change the recount plan drops the pending preview.
#include "app/batch/CaptureViewModel.h"

#include "core/reading/CollectorMatching.h"

namespace vantry {

namespace {

// Spaces, tabs and line breaks at either end; a query of nothing else is no query.
QString trimmedQuery(const QString& query) { return query.trimmed(); }

// The row's chosen printing and all its candidates take `finish`, as the user set it.
void takeFinish(CaptureViewModel::Row& row, ScanFinish finish)
{
    if (row.chosen)
        row.chosen->finish = finish;
    for (Candidate& candidate : row.candidates)
        candidate.finish = finish;
    row.userTouchedFinish = true;
}

// "Change" and a confirm are the user's own choice: the recogniser's automatic match no longer
// stands, so the row counts and shows as one for review (confirmed by hand once a printing is
// chosen). Finish and variant edits keep the matched card and leave the row automatic.
void handPicked(CaptureViewModel::Row& row)
{
    if (row.disposition == Disposition::autoConfirm)
        row.disposition = Disposition::review;
}

} // namespace

std::optional<std::size_t> CaptureViewModel::rowIndex(const QUuid& id) const
{
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].id == id)
            return i;
    }
    return std::nullopt;
}

// --- Batch ------------------------------------------------------------------------------------

void CaptureViewModel::startNewBatch()
{
    setRows({});
    setScanOrientationHintDismissed(false);
    setStatusMessage(QString());
    setImportError(std::nullopt);
    setProgress(std::nullopt);
    setLastImportedSession(std::nullopt);
    lastIngestSkippedCount_ = 0;
    lastIngestDuplicateCount_ = 0;
    admittedScanIdentities_.clear();
    leftOutScans_.clear();
    cancelIngests();
    hideToast();
    recount_->setLastRecountResult(std::nullopt);
    dropPendingFoilVerdicts();
    // Searches and re-analyses still running belong to rows that are gone.
    rowSearches_.clear();
    rotations_.clear();
    ++manualAddSearches_;
}

void CaptureViewModel::continueAddingToBin(const QString& bin)
{
    recount_->setReplaceMode(false);
    setBin(bin);
    recount_->setLastRecountResult(std::nullopt);
    setStatusMessage(QStringLiteral("Adding to bin ") + bin +
                     QStringLiteral(". Scan the next stack \u2014 Import will mint new copies into ") + bin +
                     QStringLiteral("."));
}

// --- Manual add -----------------------------------------------------------------------------

int CaptureViewModel::addManualCard(const Candidate& candidate, int quantity)
{
    const int n = std::max(quantity, 1);
    std::vector<Row> updated = rows_;
    const qint64 start = qint64(rows_.size());
    for (int i = 0; i < n; ++i) {
        Row row;
        row.id = QUuid::createUuid();
        row.card.index = start + i;
        row.card.front = QStringLiteral("manual://") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        row.candidates = {candidate};
        row.chosen = candidate;
        row.disposition = Disposition::review;
        row.userTouchedFinish = true;
        row.isManual = true;
        updated.push_back(std::move(row));
    }
    setRows(std::move(updated));
    recount_->dropPreview();
    refreshReviewStatusMessage();
    return n;
}

QCoro::Task<std::optional<std::vector<Candidate>>> CaptureViewModel::searchForManualAdd(QString query,
                                                                                       ScanFinish finish,
                                                                                       ManualSearchKind kind)
{
    const auto self = shared_from_this();
    const quint64 search = ++manualAddSearches_;
    const QString text = trimmedQuery(query);
    if (text.isEmpty())
        co_return std::vector<Candidate>{};
    co_await awaitArtMatcher();
    const auto resolver = resolver_;
    std::vector<Candidate> results = co_await resolver->searchByName(applyManualSearchKind(kind, text), finish);
    if (search != manualAddSearches_)
        co_return std::nullopt; // a newer search of the sheet answers instead
    co_return results;
}

// --- Confirm, skip, unconfirm, reviewed ------------------------------------------------------

void CaptureViewModel::confirm(QUuid id, const Candidate& candidate)
{
    if (const auto i = rowIndex(id)) {
        std::vector<Row> updated = rows_;
        Row& row = updated[*i];
        std::optional<QString> carried = row.pendingReclassifyBin;
        if (row.chosen) {
            const BinMap& bins = recount_->binByPrinting();
            if (const auto it = bins.find(scanItemId(*row.chosen)); it != bins.end())
                carried = it->second;
        }
        row.chosen = candidate;
        row.userTouchedFinish = true;
        handPicked(row);
        row.pendingReclassifyBin.reset();
        row.pendingReclassifyFinish.reset();
        setRows(std::move(updated));
        if (carried) {
            BinMap bins = recount_->binByPrinting();
            bins[scanItemId(candidate)] = *carried;
            recount_->setBinByPrinting(std::move(bins));
        }
    }
    recount_->dropPreview();
    refreshReviewStatusMessage();
}

void CaptureViewModel::skip(QUuid id)
{
    if (rowIndex(id)) {
        std::vector<Row> updated;
        updated.reserve(rows_.size());
        for (const Row& row : rows_) {
            if (row.id != id)
                updated.push_back(row);
        }
        setRows(std::move(updated));
        rowSearches_.remove(id);
        rotations_.remove(id);
    }
    recount_->dropPreview();
    refreshReviewStatusMessage();
}

void CaptureViewModel::unconfirm(QUuid id)
{
    if (const auto i = rowIndex(id)) {
        std::vector<Row> updated = rows_;
        Row& row = updated[*i];
        row.pendingReclassifyBin.reset();
        row.pendingReclassifyFinish.reset();
        if (row.chosen) {
            const BinMap& bins = recount_->binByPrinting();
            if (const auto it = bins.find(scanItemId(*row.chosen)); it != bins.end())
                row.pendingReclassifyBin = it->second;
            row.pendingReclassifyFinish = row.chosen->finish;
        }
        row.chosen.reset();
        row.reviewed = false;
        handPicked(row);
        setRows(std::move(updated));
    }
    recount_->dropPreview();
    refreshReviewStatusMessage();
}

void CaptureViewModel::setReviewed(QUuid id, bool value) { setReviewed(QSet<QUuid>{id}, value); }

void CaptureViewModel::setReviewed(const QSet<QUuid>& ids, bool value)
{
    if (ids.isEmpty() || rows_.empty())
        return;
    std::vector<Row> updated = rows_;
    bool any = false;
    for (Row& row : updated) {
        if (!ids.contains(row.id))
            continue;
        // Only a confirmed row can be signed off.
        row.reviewed = value && row.chosen.has_value();
        any = true;
    }
    if (any)
        setRows(std::move(updated));
}

// --- Finish and variant ----------------------------------------------------------------------

void CaptureViewModel::editPrinting(QUuid id, const std::function<void(Candidate&)>& edit, bool touchesFinish)
{
    if (const auto i = rowIndex(id)) {
        std::vector<Row> updated = rows_;
        Row& row = updated[*i];
        BinMap bins = recount_->binByPrinting();
        const std::optional<QString> oldItemId = row.chosen ? std::optional(scanItemId(*row.chosen)) : std::nullopt;
        if (row.chosen)
            edit(*row.chosen);
        for (Candidate& candidate : row.candidates)
            edit(candidate);
        if (touchesFinish)
            row.userTouchedFinish = true;
        // The old entry stays: other rows may still be that printing.
        const auto old = oldItemId ? bins.find(*oldItemId) : bins.end();
        const bool binMoved = old != bins.end();
        if (binMoved) {
            const QString bin = old->second;
            bins[scanItemId(*row.chosen)] = bin;
        }
        setRows(std::move(updated));
        if (binMoved)
            recount_->setBinByPrinting(std::move(bins));
    }
    recount_->dropPreview();
}

void CaptureViewModel::setFinish(QUuid id, ScanFinish finish)
{
    editPrinting(id, [finish](Candidate& c) { c.finish = finish; }, true);
}

void CaptureViewModel::setArtSeriesVariant(QUuid id, ArtSeriesVariant variant)
{
    editPrinting(id, [variant](Candidate& c) { c.artSeriesVariant = variant; }, false);
}

void CaptureViewModel::setAllConfirmedFinish(ScanFinish finish)
{
    std::vector<Row> updated = rows_;
    BinMap bins = recount_->binByPrinting();
    const BinMap before = recount_->binByPrinting();
    for (Row& row : updated) {
        if (!row.chosen)
            continue;
        const QString oldItemId = scanItemId(*row.chosen);
        takeFinish(row, finish);
        // Each row takes its own destination along, read from the map as it was.
        if (const auto it = before.find(oldItemId); it != before.end())
            bins[scanItemId(*row.chosen)] = it->second;
    }
    setRows(std::move(updated));
    if (bins != before)
        recount_->setBinByPrinting(std::move(bins));
    recount_->dropPreview();
}

void CaptureViewModel::setFinishForPrinting(const QString& scryfallId, ScanFinish fromFinish, ScanFinish toFinish)
{
    if (rawValue(fromFinish) == rawValue(toFinish))
        return;
    // The printing's keys: the plain one even when no row has it any more, and the full item
    // id of every row that changes (a signature Art Series printing carries ":signature").
    std::vector<std::pair<QString, QString>> moves{
        {scryfallId + u':' + rawValue(fromFinish), scryfallId + u':' + rawValue(toFinish)}};
    std::vector<Row> updated = rows_;
    bool rowsChanged = false;
    for (Row& row : updated) {
        if (!row.chosen || row.chosen->scryfallId != scryfallId || row.chosen->finish != fromFinish)
            continue;
        const QString oldItemId = scanItemId(*row.chosen);
        takeFinish(row, toFinish);
        rowsChanged = true;
        const std::pair<QString, QString> move{oldItemId, scanItemId(*row.chosen)};
        if (std::find(moves.begin(), moves.end(), move) == moves.end())
            moves.push_back(move);
    }
    BinMap bins = recount_->binByPrinting();
    QSet<QString> selection = recount_->selectedPrintings();
    for (const auto& [from, to] : moves) {
        if (const auto it = recount_->binByPrinting().find(from); it != recount_->binByPrinting().end()) {
            bins.erase(from);
            bins[to] = it->second;
        }
        if (recount_->selectedPrintings().contains(from)) {
            selection.remove(from);
            selection.insert(to);
        }
    }
    if (rowsChanged)
        setRows(std::move(updated));
    if (bins != recount_->binByPrinting())
        recount_->setBinByPrinting(std::move(bins));
    if (selection != recount_->selectedPrintings())
        recount_->setSelectedPrintings(std::move(selection));
    recount_->dropPreview();
}

// --- The row's own search --------------------------------------------------------------------

QCoro::Task<> CaptureViewModel::search(QUuid id, QString query)
{
    const auto self = shared_from_this();
    const QString text = trimmedQuery(query);
    const auto i = rowIndex(id);
    if (text.isEmpty() || !i)
        co_return;
    const Row& row = rows_[*i];
    const ScanFinish finish =
        row.chosen ? row.chosen->finish : row.pendingReclassifyFinish.value_or(ScanFinish::nonfoil);
    const quint64 search = ++rowSearchCount_;
    rowSearches_.insert(id, search);
    co_await awaitArtMatcher();
    const auto resolver = resolver_;
    std::vector<Candidate> results = co_await resolver->searchByName(text, finish);
    // Found again by id: the row may be gone, or a newer search of it may have started.
    if (rowSearches_.value(id) != search)
        co_return;
    rowSearches_.remove(id);
    const auto j = rowIndex(id);
    if (!j)
        co_return;
    std::vector<Row> updated = rows_;
    updated[*j].candidates = std::move(results);
    setRows(std::move(updated));
}

} // namespace vantry
