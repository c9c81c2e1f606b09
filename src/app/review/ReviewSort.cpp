#include "app/review/ReviewSort.h"

namespace vantry {

std::optional<ReviewSort> ReviewSort::fromRawValue(const QString& raw)
{
    for (const Value value : allCases) {
        if (ReviewSort(value).rawValue() == raw)
            return ReviewSort(value);
    }
    return std::nullopt;
}

QString ReviewSort::rawValue() const
{
    switch (value_) {
    case smart:
        return QStringLiteral("smart");
    case priceHighToLow:
        return QStringLiteral("priceHighToLow");
    case priceLowToHigh:
        return QStringLiteral("priceLowToHigh");
    }
    return {};
}

QString ReviewSort::menuLabel() const
{
    switch (value_) {
    case smart:
        // Scan order within each attention rank: rows that need the user come first.
        return QStringLiteral("Scan order");
    case priceHighToLow:
        return QStringLiteral("Price: high to low");
    case priceLowToHigh:
        return QStringLiteral("Price: low to high");
    }
    return {};
}

bool ReviewSort::orders(const Key& a, const Key& b) const
{
    if (value_ == smart) {
        if (a.attentionRank != b.attentionRank)
            return a.attentionRank < b.attentionRank;
        return a.scanIndex < b.scanIndex;
    }
    // Unpriced rows go after every priced row, in scan order among themselves.
    if (a.priceUSD && !b.priceUSD)
        return true;
    if (!a.priceUSD)
        return !b.priceUSD && a.scanIndex < b.scanIndex;
    if (*a.priceUSD == *b.priceUSD)
        return a.scanIndex < b.scanIndex;
    return value_ == priceHighToLow ? *a.priceUSD > *b.priceUSD : *a.priceUSD < *b.priceUSD;
}

const std::vector<ReviewSort::Choice>& ReviewSort::choices()
{
    static const std::vector<Choice> list = [] {
        std::vector<Choice> out;
        for (Value order : allCases)
            out.push_back({ReviewSort(order).rawValue(), ReviewSort(order).menuLabel()});
        return out;
    }();
    return list;
}

QString ReviewSort::shownRawValue(const std::optional<QString>& stored)
{
    return fromRawValue(stored.value_or(QString())).value_or(smart).rawValue();
}

} // namespace vantry
