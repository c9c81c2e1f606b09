#include "app/review/ReviewRows.h"

#include "app/review/ReviewChipFilter.h"
#include "app/review/ReviewSearch.h"

#include <algorithm>

namespace vantry::ReviewRows {

namespace {

void appendPrinting(QString& haystack, const Candidate& candidate)
{
    haystack += QLatin1Char(' ') + candidate.name + QLatin1Char(' ') + candidate.setCode + QLatin1Char(' ') +
                candidate.collectorNumber;
}

int attentionRank(Disposition disposition)
{
    switch (disposition) {
    case Disposition::unresolved: return 0;
    case Disposition::review: return 1;
    case Disposition::autoConfirm: return 2;
    }
    return 0;
}

bool passesChips(const Row& row, const ReviewFilterContext& context)
{
    if (context.needsReview && !needsReview(row))
        return false;
    if (context.finish && !(row.chosen && row.chosen->finish == *context.finish))
        return false;
    if (context.setCode && !(row.chosen && row.chosen->setCode.toLower() == *context.setCode))
        return false;
    if (context.kind) {
        switch (*context.kind) {
        case CaptureFilters::RowKind::art: return isArt(row);
        case CaptureFilters::RowKind::token: return row.isToken;
        case CaptureFilters::RowKind::multiFeed: return row.isOpenMultiFeed();
        }
    }
    return true;
}

} // namespace

QString searchQuery(const QString& searchText) { return searchText.trimmed().toLower(); }

bool rowMatches(const Row& row, const QString& query)
{
    QString haystack;
    if (row.chosen)
        appendPrinting(haystack, *row.chosen);
    for (const Candidate& candidate : row.candidates)
        appendPrinting(haystack, candidate);
    if (row.readNote)
        haystack += QLatin1Char(' ') + *row.readNote;
    if (isArt(row))
        haystack += QStringLiteral(" art series");
    if (row.isToken)
        haystack += QStringLiteral(" token");
    return ReviewSearch::matches(haystack, query);
}

ReviewSort::Key sortKey(const Row& row, qint64 scanIndex)
{
    ReviewSort::Key key;
    key.attentionRank = attentionRank(row.disposition);
    if (row.chosen)
        key.priceUSD = row.chosen->effectivePriceUSD();
    key.scanIndex = scanIndex;
    return key;
}

std::vector<const Row*> ordered(const std::vector<Row>& rows, const CaptureFilters& filters,
                                const ReviewFilterContext& context, ReviewSort sort)
{
    const QString query = searchQuery(filters.searchText);
    std::vector<std::pair<ReviewSort::Key, const Row*>> kept;
    kept.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        if (!ReviewChipFilter::passesReviewedGate(row.reviewed, context.reviewed, filters.hideReviewed))
            continue;
        if (!passesChips(row, context))
            continue;
        if (!query.isEmpty() && !rowMatches(row, query))
            continue;
        kept.emplace_back(sortKey(row, qint64(i)), &row);
    }
    std::sort(kept.begin(), kept.end(), [sort](const auto& a, const auto& b) { return sort.orders(a.first, b.first); });
    std::vector<const Row*> result;
    result.reserve(kept.size());
    for (const auto& pair : kept)
        result.push_back(pair.second);
    return result;
}

std::vector<const Row*> ordered(const std::vector<Row>& rows, const CaptureFilters& filters, ReviewSort sort)
{
    return ordered(rows, filters, ReviewFilterContext::make(rows, filters), sort);
}

std::vector<const Row*> reviewVisible(const std::vector<Row>& rows, const ReviewFilterContext& context,
                                      bool hideReviewed)
{
    std::vector<const Row*> result;
    for (const Row& row : rows) {
        if (ReviewChipFilter::passesReviewedGate(row.reviewed, context.reviewed, hideReviewed))
            result.push_back(&row);
    }
    return result;
}

} // namespace vantry::ReviewRows
