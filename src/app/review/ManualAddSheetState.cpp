#include "app/review/ManualAddSheetState.h"

#include <algorithm>

namespace vantry {

std::optional<Candidate> ManualAddSheetState::selectedCandidate() const
{
    if (!selectedId)
        return std::nullopt;
    // Two results may share an id; the first one is the selection.
    const auto it = std::find_if(results.begin(), results.end(),
                                 [this](const Candidate& c) { return c.scryfallId == *selectedId; });
    if (it == results.end())
        return std::nullopt;
    return *it;
}

bool ManualAddSheetState::canSearch() const { return !isSearching && !query.trimmed().isEmpty(); }

ManualAddSheetState::Content ManualAddSheetState::content() const
{
    if (isSearching)
        return Content::searching;
    if (results.empty())
        return searched ? Content::noMatch : Content::prompt;
    return Content::results;
}

std::optional<ManualAddSheetState::Search> ManualAddSheetState::beginSearch()
{
    const QString text = query.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    isSearching = true;
    return Search{++generation_, text, finish, kind};
}

bool ManualAddSheetState::finishSearch(const Search& search, const std::optional<std::vector<Candidate>>& answer)
{
    if (search.generation != generation_)
        return false; // a newer search answers instead
    isSearching = false;
    if (!answer)
        return false; // the model saw a newer search; keep what is shown
    results = *answer;
    selectedId = results.empty() ? std::nullopt : std::optional<QString>(results.front().scryfallId);
    searched = true;
    return true;
}

void ManualAddSheetState::setQuantity(int value) { quantity = std::clamp(value, minimumQuantity, maximumQuantity); }

std::optional<Candidate> ManualAddSheetState::candidateToAdd() const
{
    std::optional<Candidate> candidate = selectedCandidate();
    if (candidate)
        candidate->finish = finish;
    return candidate;
}

QString ManualAddSheetState::placeholderTitle(Content content)
{
    return content == Content::noMatch ? QStringLiteral("No match") : QStringLiteral("Search for a card");
}

QString ManualAddSheetState::placeholderHint(Content content)
{
    return content == Content::noMatch
               ? QStringLiteral("Try a different name, or add the set and collector number (e.g. \"Llanowar Elves "
                                "DOM 168\").")
               : QStringLiteral("Type a card name and press Search.");
}

QString ManualAddSheetState::resultDetail(const Candidate& candidate)
{
    return candidate.setCode.toUpper() + QStringLiteral(" · #") + candidate.collectorNumber;
}

std::optional<QString> ManualAddSheetState::resultPrice(const Candidate& candidate, const QLocale& locale)
{
    const std::optional<double> price = candidate.effectivePriceUSD();
    if (!price)
        return std::nullopt;
    // The C locale writes "0.25$"; without a real locale, write dollars the US way.
    const QLocale& shown = locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
    return shown.toCurrencyString(*price, QStringLiteral("$"), 2);
}

QString ManualAddSheetState::quantityLabel(int quantity) { return QStringLiteral("Quantity: %1").arg(quantity); }

} // namespace vantry
