#include "app/review/CardRowTexts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vantry {
namespace {

namespace T = CardRowTexts;
using Row = CaptureViewModel::Row;

Candidate card(QString id, QString name, QString set, QString number)
{
    Candidate c;
    c.scryfallId = std::move(id);
    c.name = std::move(name);
    c.setCode = std::move(set);
    c.collectorNumber = std::move(number);
    return c;
}

Row rowWith(std::vector<Candidate> candidates, std::optional<Candidate> chosen = std::nullopt)
{
    Row row;
    row.id = QUuid::createUuid();
    row.candidates = std::move(candidates);
    row.chosen = std::move(chosen);
    return row;
}

TEST(CardRowTexts, PriceTiersStartAtTheirLowerBoundAndOnlyTheUpperThreeAreHighlighted)
{
    struct Case {
        double usd;
        QString text;
        PriceTier tier;
        T::Tint tint;
        bool highlighted;
        QString help;
    };
    const std::vector<Case> cases{
        {0.0, "$0.00", PriceTier::bulk, T::Tint::secondary, false, "Bulk (under $1)"},
        {0.99, "$0.99", PriceTier::bulk, T::Tint::secondary, false, "Bulk (under $1)"},
        {1.0, "$1.00", PriceTier::low, T::Tint::primary, false, "Low value ($1–$5)"},
        {4.999, "$5.00", PriceTier::low, T::Tint::primary, false, "Low value ($1–$5)"},
        {5.0, "$5.00", PriceTier::nice, T::Tint::green, true, "Nice pull ($5–$20)"},
        {20.0, "$20.00", PriceTier::great, T::Tint::orange, true, "Great pull ($20–$50)"},
        {50.0, "$50.00", PriceTier::chase, T::Tint::purple, true, "Chase card ($50+)"},
        {1234.5, "$1234.50", PriceTier::chase, T::Tint::purple, true, "Chase card ($50+)"},
    };
    for (const Case& c : cases) {
        const auto label = T::priceLabel(c.usd);
        ASSERT_TRUE(label) << c.usd;
        EXPECT_EQ(*label, (T::PriceLabel{c.text, c.tier, c.tint, c.highlighted, c.help})) << c.usd;
    }
    // No price, or one that is not a number, shows no label at all (never a chase "$nan").
    for (const std::optional<double> none : {std::optional<double>(), std::optional(std::nan("")),
                                             std::optional(std::numeric_limits<double>::infinity())})
        EXPECT_EQ(T::priceLabel(none), std::nullopt);
}

TEST(CardRowTexts, StatusBadgeByDispositionChoiceAndReviewedMark)
{
    struct Case {
        Disposition disposition;
        bool chosen;
        bool reviewed;
        T::Symbol symbol;
        T::Tint tint;
        bool clickable;
        bool setsReviewed;
    };
    using S = T::Symbol;
    using C = T::Tint;
    const std::vector<Case> cases{
        {Disposition::autoConfirm, true, false, S::checkmarkCircleFill, C::green, true, true},
        {Disposition::autoConfirm, false, false, S::checkmarkCircleFill, C::green, false, false},
        {Disposition::review, false, false, S::questionmarkCircle, C::orange, false, false},
        {Disposition::review, true, false, S::checkmarkCircle, C::green, true, true},
        {Disposition::unresolved, false, false, S::exclamationmarkTriangle, C::red, false, false},
        {Disposition::unresolved, true, false, S::checkmarkCircle, C::green, true, true},
        // A reviewed confirmed row shows the blue seal; a click takes the mark away.
        {Disposition::review, true, true, S::checkmarkSealFill, C::blue, true, false},
        {Disposition::autoConfirm, true, true, S::checkmarkSealFill, C::blue, true, false},
    };
    for (const Case& c : cases) {
        Row row = rowWith({}, c.chosen ? std::optional(card("a1", "A", "neo", "1")) : std::nullopt);
        row.disposition = c.disposition;
        row.reviewed = c.reviewed;
        const T::StatusBadge badge = T::statusBadge(row);
        SCOPED_TRACE((rawValue(c.disposition) + (c.chosen ? " chosen" : " none") + (c.reviewed ? " reviewed" : "")).toStdString());
        EXPECT_EQ(badge.glyph, (T::StatusGlyph{c.symbol, c.tint}));
        EXPECT_EQ(badge.clickable, c.clickable);
        EXPECT_EQ(badge.setsReviewed, c.setsReviewed);
        EXPECT_EQ(badge.help.isEmpty(), !c.clickable);
        EXPECT_DOUBLE_EQ(T::rowOpacity(row), c.reviewed ? 0.6 : 1.0);
    }
    Row reviewed = rowWith({}, card("a1", "A", "neo", "1"));
    reviewed.reviewed = true;
    EXPECT_EQ(T::statusBadge(reviewed).help, "Reviewed — click to send this card back to the working list.");
}

TEST(CardRowTexts, InitialSearchKindPrefersArtThenToken)
{
    struct Case {
        bool rowArt, rowToken;
        std::optional<bool> chosenArt;
        ManualSearchKind expected;
    };
    const std::vector<Case> cases{
        {false, false, {}, ManualSearchKind::any},
        {true, false, {}, ManualSearchKind::art},
        {false, true, {}, ManualSearchKind::token},
        {true, true, {}, ManualSearchKind::art},
        // The chosen printing's flag decides over the row's.
        {true, false, false, ManualSearchKind::any},
        {false, true, true, ManualSearchKind::art},
        {true, true, false, ManualSearchKind::token},
    };
    for (const Case& c : cases) {
        Row row;
        row.isArtSeries = c.rowArt;
        row.isToken = c.rowToken;
        if (c.chosenArt) {
            row.chosen = card("x1", "X", "neo", "1");
            row.chosen->isArtSeries = *c.chosenArt;
        }
        EXPECT_EQ(T::initialSearchKind(row), c.expected) << c.rowArt << c.rowToken << c.chosenArt.value_or(-1);
    }
}

TEST(CardRowTexts, SearchQueryCompletesBareNumbersWithTheRowsSetAndAppendsTheKindOnce)
{
    const Row fromJ25 = rowWith({card("j1", "Bolt", "J25", "1"), card("m1", "Bolt", "M10", "146")});
    const Row noCandidates = rowWith({});
    const Row chosenNeo = rowWith({card("j1", "Bolt", "J25", "1")}, card("n1", "Bolt", " NEO ", "5"));
    struct Case {
        QString typed;
        ManualSearchKind kind;
        const Row* row;
        std::optional<QString> expected;
    };
    const std::vector<Case> cases{
        {"245", ManualSearchKind::any, &fromJ25, "set:j25 245"},
        {"  245★ ", ManualSearchKind::any, &fromJ25, "set:j25 245★"},
        {"245", ManualSearchKind::any, &noCandidates, "245"},
        {"245", ManualSearchKind::any, &chosenNeo, "set:neo 245"},
        {"Lightning Bolt", ManualSearchKind::any, &fromJ25, "Lightning Bolt"},
        {"245 set:J25", ManualSearchKind::any, &fromJ25, "245 set:J25"},
        {"Goblin", ManualSearchKind::art, &noCandidates, "Goblin is:artseries"},
        {"Goblin IS:ArtSeries", ManualSearchKind::art, &noCandidates, "Goblin IS:ArtSeries"},
        {"Goblin", ManualSearchKind::token, &noCandidates, "Goblin t:token"},
        {"Goblin T:Token", ManualSearchKind::token, &noCandidates, "Goblin T:Token"},
        {"12", ManualSearchKind::token, &fromJ25, "set:j25 12 t:token"},
        {"Æther Vial — ドラゴン", ManualSearchKind::any, &noCandidates, "Æther Vial — ドラゴン"},
        {"   \n\t", ManualSearchKind::art, &fromJ25, std::nullopt},
        {"", ManualSearchKind::any, &fromJ25, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(T::searchQuery(c.typed, c.kind, *c.row), c.expected) << c.typed.toStdString();
        EXPECT_EQ(T::searchEnabled(c.typed), c.expected.has_value()) << c.typed.toStdString();
    }
}

TEST(CardRowTexts, PhysicalTokenFaceIsFoundBySetAndNumberThenByNameAndPricedInOrder)
{
    PhysicalTokenMetadata token;
    token.faces = {PhysicalTokenFace{"Goblin", "totj", "7", 0.45}, PhysicalTokenFace{"Treasure", "TOTJ", "12", {}}};
    token.bestPriceUsd = 0.8;
    struct Case {
        Candidate candidate;
        std::optional<QString> face;
        std::optional<QString> price;
    };
    const std::vector<Case> cases{
        // Set ignores case, number is exact.
        {card("g", "Goblin", "TOTJ", "7"), "Goblin", "Goblin side $0.45"},
        // Second pass by name when set or number differ.
        {card("g", "goblin", "PTOTJ", "99"), "Goblin", "Goblin side $0.45"},
        // The number wins over a name that points to another face.
        {card("t", "Goblin", "totj", "12"), "Treasure", "best side $0.80"},
        // A face without price falls back to the best side.
        {card("t", "Treasure", "otj", "1"), "Treasure", "best side $0.80"},
        {card("z", "Zombie", "otj", "1"), std::nullopt, "best side $0.80"},
    };
    for (const Case& c : cases) {
        const auto face = T::physicalTokenVisibleFace(c.candidate, token);
        EXPECT_EQ(face ? std::optional(face->name) : std::nullopt, c.face) << c.candidate.name.toStdString();
        EXPECT_EQ(T::physicalTokenPriceText(c.candidate, token), c.price) << c.candidate.name.toStdString();
    }
    token.bestPriceUsd.reset();
    EXPECT_EQ(T::physicalTokenPriceText(card("t", "Treasure", "otj", "1"), token), std::nullopt);
    EXPECT_EQ(T::physicalTokenFacesLabel(token), "Goblin $0.45 // Treasure");
    EXPECT_EQ(T::physicalTokenFacesLabel(PhysicalTokenMetadata{}), "");
}

TEST(CardRowTexts, HeaderAndThumbnailTexts)
{
    Row row = rowWith({});
    row.card.index = 0;
    row.card.front = "/scans/B0003/scan_0001.jpg";
    EXPECT_EQ(T::needsReviewTitle(row), "Needs review · card #1");
    EXPECT_EQ(T::thumbnailCaption(row), "scan_0001.jpg");
    row.card.index = 41;
    row.isManual = true;
    EXPECT_EQ(T::needsReviewTitle(row), "Needs review · card #42");
    EXPECT_EQ(T::thumbnailCaption(row), "Added manually");
    EXPECT_EQ(T::setAndNumber(card("a", "A", "otj", "245★")), "OTJ 245★");
    EXPECT_EQ(T::zoomMatchedCaption(card("a", "Ornithopter", "m10", "1")), "Matched: Ornithopter");
}

TEST(CardRowTexts, CatalogueAddressesUseTheGivenBaseAndNeedAnId)
{
    const QString base = "http://127.0.0.1:5555/";
    Row row = rowWith({card("AB12cd", "A", "neo", "1")});
    EXPECT_EQ(T::zoomCatalogUrl(row, base), std::nullopt); // nothing chosen: the scan only
    row.chosen = row.candidates.front();
    EXPECT_EQ(T::zoomCatalogUrl(row, base), QUrl("http://127.0.0.1:5555/normal/front/a/b/ab12cd.jpg"));
    EXPECT_EQ(T::candidateThumbUrl(row.candidates.front(), base),
              QUrl("http://127.0.0.1:5555/small/front/a/b/ab12cd.jpg"));
    EXPECT_EQ(T::candidateThumbUrl(card("x", "A", "neo", "1"), base), std::nullopt);
}

TEST(CardRowTexts, ReviewControlsWarningScoresListCapAndRotateState)
{
    Row row = rowWith({});
    EXPECT_EQ(T::readWarning(row), "Couldn't read this card — search for it below, or Skip.");
    row.readNote = "No text found. Search below or Skip.";
    EXPECT_EQ(T::readWarning(row), "No text found. Search below or Skip.");
    row.candidates = {card("a", "A", "neo", "1")};
    EXPECT_EQ(T::readWarning(row), std::nullopt);

    struct Score {
        double score;
        std::optional<QString> text;
    };
    for (const Score& s : std::vector<Score>{{1.0, "100%"}, {0.934, "93%"}, {0.005, "1%"}, {0.0, std::nullopt}})
        EXPECT_EQ(T::candidateScoreText(s.score), s.text) << s.score;

    for (const auto& [count, cap] : std::vector<std::pair<std::size_t, std::optional<int>>>{
             {0, std::nullopt}, {6, std::nullopt}, {7, 160}, {40, 160}})
        EXPECT_EQ(T::candidateListMaxHeight(count), cap) << count;

    EXPECT_TRUE(T::rotateEnabled(row));
    EXPECT_FALSE(T::showsRotateProgress(row));
    row.isReanalyzing = true;
    EXPECT_FALSE(T::rotateEnabled(row));
    EXPECT_TRUE(T::showsRotateProgress(row));

    EXPECT_TRUE(T::showsReviewControls(row));
    row.chosen = row.candidates.front();
    EXPECT_FALSE(T::showsReviewControls(row));

    // The search field's placeholder: whole when it fits, else short with the example kept.
    struct Fit {
        int available, whole;
        QString shown;
    };
    for (const Fit& f : std::vector<Fit>{{300, 280, "Name, collector #, or exact like \"245 set:J25\""},
                                         {280, 280, "Name, collector #, or exact like \"245 set:J25\""},
                                         {279, 280, "Name, #, or \"245 set:J25\""},
                                         {120, 280, "Name, #, or \"245 set:J25\""}})
        EXPECT_EQ(T::searchPlaceholder(f.available, f.whole), f.shown) << f.available;
}

TEST(CardRowTexts, PickerLabels)
{
    QStringList finishes;
    for (ScanFinish f : allScanFinishes)
        finishes << T::finishLabel(f);
    EXPECT_EQ(finishes, (QStringList{"foil", "nonfoil", "etched", "surge"}));
    QStringList kinds;
    for (ManualSearchKind k : allManualSearchKinds)
        kinds << T::kindLabel(k);
    EXPECT_EQ(kinds, (QStringList{"All", "Art", "Token"}));
    EXPECT_EQ(T::variantLabel(ArtSeriesVariant::plain), "Plain");
    EXPECT_EQ(T::variantLabel(ArtSeriesVariant::signature), "Signature");
    Candidate art = card("a", "A", "aneo", "1");
    EXPECT_FALSE(T::showsVariantPicker(art));
    art.isArtSeries = true;
    EXPECT_TRUE(T::showsVariantPicker(art));
}

} // namespace
} // namespace vantry
