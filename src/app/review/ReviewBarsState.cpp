#include "app/review/ReviewBarsState.h"

#include "app/review/ReviewChipFilter.h"
#include "app/review/ReviewRows.h"

#include <QSet>

#include <map>

namespace vantry {

namespace {

using RowKind = CaptureFilters::RowKind;

// The chip bar's four actions are one exclusive choice; none touches the set, the search,
// "Hide reviewed" or the sort.
std::function<void(CaptureFilters&)> chooseFinish(std::optional<ScanFinish> finish)
{
    return [finish](CaptureFilters& f) {
        f.finishFilter = finish;
        f.kindFilter.reset();
        f.needsReviewFilter = false;
        f.reviewedFilter = false;
    };
}

std::function<void(CaptureFilters&)> chooseKind(RowKind kind)
{
    return [kind](CaptureFilters& f) {
        f.kindFilter = kind;
        f.finishFilter.reset();
        f.needsReviewFilter = false;
        f.reviewedFilter = false;
    };
}

void chooseNeedsReview(CaptureFilters& f)
{
    f.needsReviewFilter = true;
    f.finishFilter.reset();
    f.kindFilter.reset();
    f.reviewedFilter = false;
}

void chooseReviewed(CaptureFilters& f)
{
    f.reviewedFilter = true;
    f.finishFilter.reset();
    f.kindFilter.reset();
    f.needsReviewFilter = false;
}

const QString sparkles = QStringLiteral("✦");

} // namespace

ReviewBarsState ReviewBarsState::of(const std::vector<CaptureViewModel::Row>& rows, const CaptureFilters& filters,
                                    const ReviewFilterContext& context, std::size_t listedCount, ReviewSort sort)
{
    ReviewBarsState state;
    const FinishBarCounts counts = FinishBarCounts::of(rows, filters.hideReviewed);
    const bool statusChip = context.needsReview || context.reviewed;
    auto finishChip = [&](const char* name, const char* label, const QString& icon, qint64 count, ScanFinish finish) {
        return FilterChip{QString::fromUtf8(name), QString::fromUtf8(label), icon, count,
                          context.finish == finish && !statusChip, chooseFinish(finish)};
    };
    auto& chips = state.chips;
    chips.push_back({QStringLiteral("chipAll"), QStringLiteral("All"), {}, counts.total,
                     !context.finish && !context.kind && !statusChip, chooseFinish(std::nullopt)});
    chips.push_back(finishChip("chipFoil", "Foil", sparkles, counts.foil, ScanFinish::foil));
    chips.push_back(finishChip("chipNonfoil", "Nonfoil", {}, counts.nonfoil, ScanFinish::nonfoil));
    if (counts.etched >= 1)
        chips.push_back(finishChip("chipEtched", "Etched", {}, counts.etched, ScanFinish::etched));
    if (counts.surge >= 1)
        chips.push_back(finishChip("chipSurge", "Surge", sparkles, counts.surge, ScanFinish::surge));
    if (counts.art >= 1)
        chips.push_back({QStringLiteral("chipArt"), QStringLiteral("Art cards"), QStringLiteral("✎"), counts.art,
                         context.kind == RowKind::art, chooseKind(RowKind::art)});
    if (counts.token >= 1)
        chips.push_back({QStringLiteral("chipTokens"), QStringLiteral("Tokens"), QStringLiteral("✪"), counts.token,
                         context.kind == RowKind::token, chooseKind(RowKind::token)});
    if (counts.multiFeed >= 1)
        chips.push_back({QStringLiteral("chipMultiFeed"), QStringLiteral("Multi-feed"), QStringLiteral("⚠"),
                         counts.multiFeed, context.kind == RowKind::multiFeed, chooseKind(RowKind::multiFeed)});
    if (counts.needsReview >= 1)
        chips.push_back({QStringLiteral("chipNeedsReview"), QStringLiteral("Needs review"), QStringLiteral("?"),
                         counts.needsReview, context.needsReview, chooseNeedsReview});
    if (counts.reviewed >= 1)
        chips.push_back({QStringLiteral("chipReviewed"), QStringLiteral("Reviewed"), QStringLiteral("✔"),
                         counts.reviewed, context.reviewed, chooseReviewed});
    state.showsHideReviewed = counts.reviewed >= 1 && !context.reviewed;

    state.sort = sort;
    state.sortLabel = sort == ReviewSort::smart ? QStringLiteral("Sort") : sort.menuLabel();
    state.sortStandsOut = sort != ReviewSort::smart;

    state.showsSearchCount = !ReviewRows::searchQuery(filters.searchText).isEmpty();
    if (state.showsSearchCount)
        state.searchCount = QStringLiteral("%1 of %2").arg(listedCount).arg(rows.size());

    // The set bar counts what the reviewed gate lets through; chips and search do not matter.
    QSet<QString> presentSets;
    for (const auto& row : rows) {
        if (row.chosen)
            presentSets.insert(row.chosen->setCode.toLower());
    }
    if (ReviewChipFilter::shouldShowSetBar(presentSets)) {
        std::map<QString, qint64> groups; // ordered by the lower-case code
        qint64 sum = 0;
        for (const auto* row : ReviewRows::reviewVisible(rows, context, filters.hideReviewed)) {
            if (!row->chosen)
                continue;
            ++groups[row->chosen->setCode.toLower()];
            ++sum;
        }
        state.setChips.push_back({QStringLiteral("setChipAll"), QStringLiteral("All sets"), {}, sum,
                                  !context.setCode, [](CaptureFilters& f) { f.setFilter.reset(); }});
        for (const auto& group : groups) {
            const QString code = group.first;
            const qint64 count = group.second;
            state.setChips.push_back({QStringLiteral("setChip-") + code, code.toUpper(), {}, count,
                                      context.setCode == code, [code](CaptureFilters& f) {
                                          if (f.setFilter == code)
                                              f.setFilter.reset();
                                          else
                                              f.setFilter = code;
                                      }});
        }
    }

    state.showsFilteredEmpty = !rows.empty() && listedCount == 0;
    if (state.showsFilteredEmpty)
        state.filteredEmptyLine = filteredEmptyText(qint64(rows.size()));
    return state;
}

void ReviewBarsState::resetFilters(CaptureFilters& filters)
{
    filters.searchText.clear();
    filters.finishFilter.reset();
    filters.kindFilter.reset();
    filters.setFilter.reset();
    filters.needsReviewFilter = false;
    filters.reviewedFilter = false;
    filters.hideReviewed = false;
}

QString ReviewBarsState::hideReviewedLabel() { return QStringLiteral("Hide reviewed"); }

QString ReviewBarsState::hideReviewedHelp()
{
    return QStringLiteral("Hide cards you've marked reviewed from the working tabs so you stop re-checking the same "
                          "cards.");
}

QString ReviewBarsState::sortHelp() { return QStringLiteral("Sort the review list"); }

QString ReviewBarsState::searchPlaceholder() { return QStringLiteral("Search this batch by card name or set…"); }

QString ReviewBarsState::clearSearchHelp() { return QStringLiteral("Clear search"); }

QString ReviewBarsState::filteredEmptyTitle() { return QStringLiteral("No cards match your filters"); }

QString ReviewBarsState::filteredEmptyText(qint64 batchCount)
{
    return QStringLiteral("%1 card%2 in this batch are hidden by the current search or chips.")
        .arg(batchCount)
        .arg(batchCount == 1 ? QString() : QStringLiteral("s"));
}

QString ReviewBarsState::resetFiltersLabel() { return QStringLiteral("Reset filters"); }

} // namespace vantry
