#pragma once

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace vantry {

// The orders of the review list. The raw value is what the "vy.reviewSort" setting stores.
class ReviewSort {
public:
    enum Value { smart, priceHighToLow, priceLowToHigh };

    // What the list compares of one row.
    struct Key {
        // Lower sorts first: 0 unresolved, 1 needs review, 2 confirmed automatically.
        int attentionRank = 0;
        // The chosen printing's price; absent without a chosen printing or a price.
        std::optional<double> priceUSD;
        // Position in the batch; unique within one sort, so every order is total.
        qint64 scanIndex = 0;
    };

    constexpr ReviewSort(Value value = smart) : value_(value) {}
    constexpr operator Value() const { return value_; }

    static constexpr std::array<Value, 3> allCases{smart, priceHighToLow, priceLowToHigh};

    // Exactly one of the raw values, letter case included; anything else is none.
    static std::optional<ReviewSort> fromRawValue(const QString& raw);
    QString rawValue() const;
    QString menuLabel() const;

    // One entry of the settings window's "Default sort" picker: the stored raw value and its label.
    struct Choice {
        QString rawValue;
        QString label;
    };
    static const std::vector<Choice>& choices();
    // The choice a stored "vy.reviewSort" selects: an exact raw value, otherwise "smart".
    static QString shownRawValue(const std::optional<QString>& stored);

    // Whether `a` sorts strictly before `b` in this order.
    bool orders(const Key& a, const Key& b) const;

private:
    Value value_;
};

} // namespace vantry
