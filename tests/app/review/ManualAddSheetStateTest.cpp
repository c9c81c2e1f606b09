#include "app/review/ManualAddSheetState.h"

#include <gtest/gtest.h>

using namespace vantry;

namespace {

Candidate printing(const char* id, const char* name, std::optional<double> price = std::nullopt,
                   std::optional<double> foilPrice = std::nullopt)
{
    Candidate c;
    c.scryfallId = QString::fromUtf8(id);
    c.name = QString::fromUtf8(name);
    c.setCode = QStringLiteral("dom");
    c.collectorNumber = QStringLiteral("168");
    c.priceUSD = price;
    c.priceUsdFoil = foilPrice;
    return c;
}

using Content = ManualAddSheetState::Content;

} // namespace

TEST(ManualAddSheetState, ANewerSearchSupersedesAnOlderOneWhateverOrderTheyAnswerIn)
{
    for (const bool olderAnswersLast : {true, false}) {
        ManualAddSheetState sheet;
        sheet.query = QStringLiteral("llanowar");
        const auto older = sheet.beginSearch();
        sheet.query = QStringLiteral("  shivan ");
        sheet.finish = ScanFinish::foil;
        sheet.kind = ManualSearchKind::art;
        const auto newer = sheet.beginSearch();
        ASSERT_TRUE(older && newer);
        EXPECT_EQ(newer->text, "shivan");
        EXPECT_EQ(newer->finish, ScanFinish::foil);
        EXPECT_EQ(newer->kind, ManualSearchKind::art);
        const std::vector<Candidate> olderAnswer{printing("elves", "Llanowar Elves")};
        const std::vector<Candidate> newerAnswer{printing("dragon", "Shivan Dragon")};
        if (olderAnswersLast) {
            EXPECT_TRUE(sheet.finishSearch(*newer, newerAnswer));
            EXPECT_FALSE(sheet.finishSearch(*older, olderAnswer));
        } else {
            EXPECT_FALSE(sheet.finishSearch(*older, olderAnswer));
            EXPECT_TRUE(sheet.isSearching) << "the newer search still runs";
            EXPECT_EQ(sheet.content(), Content::searching);
            EXPECT_TRUE(sheet.finishSearch(*newer, newerAnswer));
        }
        EXPECT_FALSE(sheet.isSearching);
        EXPECT_EQ(sheet.results, newerAnswer);
        EXPECT_EQ(sheet.selectedId, QStringLiteral("dragon"));
        EXPECT_EQ(sheet.content(), Content::results);
    }
}

TEST(ManualAddSheetState, SearchStatesFromOpeningToResults)
{
    ManualAddSheetState sheet;
    EXPECT_EQ(sheet.content(), Content::prompt);
    EXPECT_FALSE(sheet.canSearch());
    EXPECT_FALSE(sheet.canAdd());

    sheet.query = QStringLiteral(" \n\t ");
    EXPECT_FALSE(sheet.canSearch());
    EXPECT_EQ(sheet.beginSearch(), std::nullopt);
    EXPECT_FALSE(sheet.isSearching);

    sheet.query = QStringLiteral("zzz");
    EXPECT_TRUE(sheet.canSearch());
    auto search = sheet.beginSearch();
    EXPECT_FALSE(sheet.canSearch()) << "searching";
    EXPECT_TRUE(sheet.finishSearch(*search, std::vector<Candidate>{}));
    EXPECT_EQ(sheet.content(), Content::noMatch);
    EXPECT_FALSE(sheet.canAdd());
    EXPECT_EQ(ManualAddSheetState::placeholderTitle(sheet.content()), "No match");

    // Results from before stay under a later search until it answers; a model that dropped the
    // search as stale (none) leaves them as they were.
    sheet.query = QStringLiteral("elves");
    search = sheet.beginSearch();
    const std::vector<Candidate> twins{printing("same", "First"), printing("same", "Second"),
                                       printing("other", "Other")};
    EXPECT_TRUE(sheet.finishSearch(*search, twins));
    search = sheet.beginSearch();
    EXPECT_FALSE(sheet.finishSearch(*search, std::nullopt));
    EXPECT_FALSE(sheet.isSearching);
    EXPECT_EQ(sheet.results, twins);

    // Two results with one id share the selection; the first one is added.
    EXPECT_TRUE(sheet.canAdd());
    EXPECT_EQ(sheet.selectedCandidate()->name, "First");
    sheet.selectedId = QStringLiteral("gone");
    EXPECT_FALSE(sheet.canAdd());
}

TEST(ManualAddSheetState, AddTakesTheSheetsFinishAndKeepsTheFoundPrices)
{
    ManualAddSheetState sheet;
    sheet.query = QStringLiteral("elves");
    const auto search = sheet.beginSearch();
    sheet.finishSearch(*search, std::vector<Candidate>{printing("elves", "Llanowar Elves", 0.25, 3.5)});
    sheet.finish = ScanFinish::foil;
    const auto added = sheet.candidateToAdd();
    ASSERT_TRUE(added);
    EXPECT_EQ(added->finish, ScanFinish::foil);
    EXPECT_EQ(added->priceUSD, 0.25);
    EXPECT_EQ(added->priceUsdFoil, 3.5);

    struct Case {
        int typed;
        int kept;
    };
    for (const Case c : {Case{0, 1}, Case{-5, 1}, Case{1, 1}, Case{42, 42}, Case{99, 99}, Case{100, 99}}) {
        sheet.setQuantity(c.typed);
        EXPECT_EQ(sheet.quantity, c.kept) << c.typed;
    }
}

TEST(ManualAddSheetState, ResultTexts)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    Candidate c = printing("x", "Llanowar Elves", 1234.5);
    c.setCode = QStringLiteral("dom");
    EXPECT_EQ(ManualAddSheetState::resultDetail(c), QStringLiteral("DOM · #168"));
    EXPECT_EQ(ManualAddSheetState::resultPrice(c, us), QStringLiteral("$1,234.50"));
    c.priceUSD.reset();
    EXPECT_EQ(ManualAddSheetState::resultPrice(c, us), std::nullopt);
    EXPECT_EQ(ManualAddSheetState::quantityLabel(7), "Quantity: 7");
}
