#include "core/card/Candidate.h"
#include "core/support/Json.h"
#include "core/card/PriceTier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vantry;

namespace {
Candidate candidate(ScanFinish finish, std::optional<double> normal, std::optional<double> foil,
                    std::optional<double> signature = {}, bool artSeries = false,
                    ArtSeriesVariant variant = ArtSeriesVariant::plain)
{
    Candidate c{"id", "Name", "neo", "1", finish, 1.0, normal, foil, signature, artSeries, variant, {}};
    return c;
}
} // namespace

TEST(CardModel, EffectivePriceFollowsFinishAndVariant)
{
    const double nan = std::nan("");
    struct Case {
        const char* what;
        Candidate c;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"signature without signature price uses normal, not foil",
         candidate(ScanFinish::foil, 1.0, 3.0, {}, true, ArtSeriesVariant::signature), 1.0},
        {"signature price wins", candidate(ScanFinish::nonfoil, 1.0, 3.0, 7.0, true, ArtSeriesVariant::signature), 7.0},
        {"foil without foil price falls back", candidate(ScanFinish::foil, 2.0, {}), 2.0},
        {"etched uses foil price", candidate(ScanFinish::etched, 2.0, 4.0), 4.0},
        {"surge uses foil price", candidate(ScanFinish::surge, 2.0, 4.0), 4.0},
        {"nonfoil never uses foil price", candidate(ScanFinish::nonfoil, {}, 4.0), std::nullopt},
        {"signature on a non-art card is priced by finish",
         candidate(ScanFinish::foil, 1.0, 3.0, 9.0, false, ArtSeriesVariant::signature), 3.0},
        {"plain art series follows finish", candidate(ScanFinish::foil, 1.0, 3.0, 9.0, true), 3.0},
        {"a NaN price is no price", candidate(ScanFinish::foil, 2.0, nan), 2.0},
        {"a NaN normal price is absent", candidate(ScanFinish::nonfoil, nan, {}), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.c.effectivePriceUSD(), c.expected);
    }
}

TEST(CardModel, PriceTierBoundsBelongToTheHigherTier)
{
    const std::pair<double, PriceTier> cases[] = {
        {-3.0, PriceTier::bulk}, {0.99, PriceTier::bulk},  {1.0, PriceTier::low},    {4.99, PriceTier::low},
        {5.0, PriceTier::nice},  {19.99, PriceTier::nice}, {20.0, PriceTier::great}, {49.99, PriceTier::great},
        {50.0, PriceTier::chase}, {std::nan(""), PriceTier::bulk},
        {std::numeric_limits<double>::infinity(), PriceTier::bulk},
    };
    for (const auto& [usd, tier] : cases) {
        SCOPED_TRACE(usd);
        EXPECT_EQ(priceTierFrom(usd), tier);
    }
    EXPECT_FALSE(isHighlighted(priceTierFrom(4.99)));
    EXPECT_TRUE(isHighlighted(priceTierFrom(5.0)));
}

TEST(CardModel, RawStringsMatchExactly)
{
    EXPECT_EQ(scanFinishFromRaw("etched"), ScanFinish::etched);
    for (const char* bad : {"Foil", "FOIL", "foil ", "", "non-foil"})
        EXPECT_EQ(scanFinishFromRaw(bad), std::nullopt) << bad;
    EXPECT_THROW(scanFinishFromJson(QJsonValue("Foil")), json::Error);
    EXPECT_THROW(scanFinishFromJson(QJsonValue(1)), json::Error);
    EXPECT_EQ(artSeriesVariantFromRaw("signature"), ArtSeriesVariant::signature);
    EXPECT_EQ(artSeriesVariantFromRaw("Signature"), std::nullopt);
}

TEST(CardModel, CandidatesDifferingInScoreOrPriceAreNotEqual)
{
    const Candidate a = candidate(ScanFinish::foil, 1.0, 2.0);
    Candidate b = a;
    EXPECT_EQ(a, b);
    b.score = 0.5;
    EXPECT_NE(a, b);
    b = a;
    b.priceUsdFoil = 2.5;
    EXPECT_NE(a, b);
}

TEST(CardModel, PhysicalTokenRoundTripsAndOmitsAbsentKeys)
{
    PhysicalTokenMetadata m{"Token Pack", {}, "T1", {}, {{"Goblin", "tneo", "3", 0.25}, {"Elf", "tneo", "4", {}}}};
    const QJsonObject o = m.toJson();
    EXPECT_EQ(o.keys(), (QStringList{"collectorNumber", "faces", "name"}));
    EXPECT_FALSE(o["faces"].toArray()[1].toObject().contains("priceUsd"));
    EXPECT_EQ(PhysicalTokenMetadata::fromJson(o), m);

    const auto withNulls = json::parseObject(
        R"({"name":"P","tcgplayerId":null,"collectorNumber":"1","bestPriceUsd":null,"faces":[],"x":1})");
    EXPECT_EQ(PhysicalTokenMetadata::fromJson(withNulls), (PhysicalTokenMetadata{"P", {}, "1", {}, {}}));
    EXPECT_THROW(PhysicalTokenMetadata::fromJson(json::parseObject(R"({"name":"P","collectorNumber":"1"})")),
                 json::Error);
    EXPECT_THROW(PhysicalTokenMetadata::fromJson(
                     json::parseObject(R"({"name":"P","tcgplayerId":1.5,"collectorNumber":"1","faces":[]})")),
                 json::Error);
}
