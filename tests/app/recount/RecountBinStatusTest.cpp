#include "app/recount/RecountBinStatus.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

using S = RecountLine::Symbol;
using T = RecountLine::Tone;

RecountState loaded(const QString& text)
{
    RecountState s;
    s.replaceBinsText = text;
    s.inventoryBins = {{"B0001", 4, 57, {}}, {"B0002", 1, 3, {}}, {"Caf\u00E9", 1, 9, {}}};
    s.binsLoaded = true;
    return s;
}

TEST(RecountBinStatus, StatusLineCases)
{
    struct Case {
        const char* what;
        RecountState state;
        std::optional<QString> suggestion;
        RecountLine line;
    };
    RecountState loading = loaded("b0001");
    loading.isLoadingInventoryBins = true;
    loading.inventoryBinsError = "boom";
    RecountState failed = loaded("B0001");
    failed.inventoryBinsError = "HTTP 500\nbody";
    RecountState never = loaded("B0001");
    never.binsLoaded = false;
    never.inventoryBins.clear();
    const std::vector<Case> cases{
        {"loading wins", loading, std::nullopt, {"Loading existing bins", S::hourglass, T::secondary}},
        {"first line of a failed load", failed, std::nullopt, {"Could not load bins: HTTP 500", S::warning, T::orange}},
        {"suggestion, untrimmed", loaded("  "), QString(" A1 "), {"Suggested from scan folder:  A1 ", S::info, T::secondary}},
        {"nothing typed", loaded(""), std::nullopt, {"Type the old bin to replace", S::info, T::secondary}},
        {"one confirmed", loaded("B0001"), std::nullopt,
         {"Confirmed existing bin: 57 active cards", S::checkmark, T::green}},
        {"two confirmed", loaded("B0001 B0002"), std::nullopt,
         {"Confirmed 2 existing bins: 60 active cards", S::checkmark, T::green}},
        {"case mismatch", loaded("b0001"), std::nullopt,
         {"Case mismatch? B0001 exists with 57 active cards", S::warning, T::orange}},
        {"diacritics ignored", loaded("CAFE"), std::nullopt,
         {"Case mismatch? Caf\u00E9 exists with 9 active cards", S::warning, T::orange}},
        {"one of two missing", loaded("B0001, X9"), std::nullopt, {"No active bin found for X9", S::stop, T::red}},
        {"only the first missing is tried for case", loaded("X9 b0001"), std::nullopt,
         {"No active bin found for X9, b0001", S::stop, T::red}},
        {"a slash is part of the name", loaded("B0001/B0002"), std::nullopt,
         {"No active bin found for B0001/B0002", S::stop, T::red}},
        {"never loaded", never, std::nullopt, {"Load existing bins to confirm before preview", S::info, T::secondary}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RecountBinStatus::of(c.state, c.suggestion), c.line) << c.what;
}

TEST(RecountBinStatus, UseSuggestionShowsOnlyForADifferentNonBlankBin)
{
    EXPECT_EQ(RecountBinStatus::useSuggestion(QString(" A1\n"), ""), QString("A1"));
    EXPECT_EQ(RecountBinStatus::useSuggestion(QString(" A1\n"), "  A1 "), std::nullopt);
    EXPECT_EQ(RecountBinStatus::useSuggestion(QString(" A1"), "a1"), QString("A1"));
    EXPECT_EQ(RecountBinStatus::useSuggestion(QString("  "), ""), std::nullopt);
    EXPECT_EQ(RecountBinStatus::useSuggestion(std::nullopt, ""), std::nullopt);
}

TEST(RecountBinStatus, ChipsOnlyWhileSomethingTypedMatches)
{
    EXPECT_FALSE(RecountBinStatus::showsChips(loaded(" ")));
    EXPECT_TRUE(RecountBinStatus::showsChips(loaded("b0")));
    EXPECT_FALSE(RecountBinStatus::showsChips(loaded("zz")));
}

} // namespace
} // namespace vantry
