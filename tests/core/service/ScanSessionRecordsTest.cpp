#include "core/support/Json.h"
#include "core/card/ScanItemPayload.h"
#include "core/service/ScanReplace.h"
#include "core/service/ScanReplacePlanner.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vantry;

TEST(ScanSessionRecords, PayloadCarriesOptionalKeysOnlyWithValues)
{
    ScanItemPayload p{"abc:foil", "abc", "Bolt", "neo", "12", ScanFinish::foil, {}, {}, {}, 2, 0.9731, "scanner"};
    QJsonObject o = p.toJson();
    EXPECT_EQ(o.keys(), (QStringList{"addedBy", "collectorNumber", "confidence", "count", "finish", "itemId",
                                     "name", "scryfallId", "setCode"}));
    EXPECT_EQ(o["finish"].toString(), "foil");
    EXPECT_EQ(ScanItemPayload::fromJson(o), p);

    p.artSeriesVariant = "signature";
    p.condition = "NM";
    p.unitCost = 0.5;
    o = p.toJson();
    EXPECT_TRUE(o.contains("artSeriesVariant") && o.contains("condition") && o.contains("unitCost"));
    EXPECT_EQ(ScanItemPayload::fromJson(o), p);

    p.unitCost = std::nan("");
    EXPECT_THROW(p.toJson(), json::Error);
}

TEST(ScanSessionRecords, ReplaceResultAndPollDecoding)
{
    const char* base = R"("claimed":1,"movedFromOtherBins":2,"created":3,"retired":4,"retiredValueUsd":5.5,)";
    const auto result = ScanReplaceResult::fromJson(
        json::parseObject(QByteArray("{") + base + R"("binsWritten":["A1"],"dryRun":null})"));
    EXPECT_EQ(result, (ScanReplaceResult{1, 2, 3, 4, 5.5, {"A1"}, {}, {}}));
    EXPECT_EQ(ScanReplaceResult::fromJson(result.toJson()), result);
    EXPECT_THROW(ScanReplaceResult::fromJson(json::parseObject(QByteArray("{") + base + R"("x":1})")), json::Error);
    EXPECT_THROW(ScanReplaceResult::fromJson(json::parseObject(
                     R"({"claimed":"1","movedFromOtherBins":2,"created":3,"retired":4,"retiredValueUsd":5.5,"binsWritten":[]})")),
                 json::Error);

    const auto poll = ScanSessionPoll::fromJson(json::parseObject(R"({"status":"committing"})"));
    EXPECT_EQ(poll, (ScanSessionPoll{"committing", {}, {}}));
    const auto saved = ScanSessionPoll::fromJson(
        json::parseObject(QByteArray(R"({"status":"saved","commitResult":{)") + base + R"("binsWritten":[]}})"));
    ASSERT_TRUE(saved.commitResult);
    EXPECT_EQ(saved.commitResult->retired, 4);
    EXPECT_THROW(ScanSessionPoll::fromJson(json::parseObject(R"({"status":"saved","commitResult":{"claimed":1}})")),
                 json::Error);
}

TEST(ScanReplacePlanner, ParsesBinsText)
{
    struct Case {
        QString text;
        std::vector<QString> bins;
    };
    const Case cases[] = {
        {"B0001, B0002\nB0001", {"B0001", "B0002"}},
        {" , ,, \t", {}},
        {"b0001 B0001", {"b0001", "B0001"}},
        {QString::fromUtf8("A1\u00a0A2\u2003A3"), {"A1", "A2", "A3"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(ScanReplacePlanner::parseReplaceBins(c.text), c.bins);
    }
}

TEST(ScanReplacePlanner, AKnownBinStaysOneNameWithSpacesAndCommasInside)
{
    struct Case {
        QString text;
        std::vector<QString> known;
        std::vector<QString> bins;
    };
    const Case cases[] = {
        {"Box 1", {}, {"Box", "1"}},
        {"Box 1", {"Box 1"}, {"Box 1"}},
        {" Box 1\n", {"Box 1"}, {"Box 1"}},
        {"Box 1, B0001 Box 1", {"Box 1"}, {"Box 1", "B0001"}},
        {"Box 1 Box 2", {"Box 1", "Box 2"}, {"Box 1", "Box 2"}},
        {"Box 1,2", {"Box 1,2"}, {"Box 1,2"}},
        {"Box 1,2, B0001", {"Box 1,2", "Box 1"}, {"Box 1,2", "B0001"}},
        {"Box 1 2", {"Box", "Box 1"}, {"Box 1", "2"}},   // the longest known name wins
        {"Box 10", {"Box 1"}, {"Box", "10"}},            // a known name ends where a name ends
        {"box 1", {"Box 1"}, {"box", "1"}},              // letter case counts
        {"AB 1", {"B 1"}, {"AB", "1"}},                  // only where a name starts
        {"B0001 B0002", {"B0001", "B0002", ""}, {"B0001", "B0002"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(ScanReplacePlanner::parseReplaceBins(c.text, c.known), c.bins);
    }
    const auto request = ScanReplacePlanner::build({"x"}, {{"x", "Box 2"}}, "Box 1", false, {"Box 1"});
    ASSERT_TRUE(request);
    EXPECT_EQ(request->replaceBins, std::vector<QString>{"Box 1"});
}

TEST(ScanReplacePlanner, BuildsAssignmentsInRowOrder)
{
    const std::map<QString, QString> bins{{"x", "A0018"}, {"z", "A0019"}, {"y2", "A1"}};
    EXPECT_EQ(ScanReplacePlanner::build({"x", "y", "z"}, bins, ", ,", false), std::nullopt);
    EXPECT_EQ(ScanReplacePlanner::build({"y"}, bins, "B1", false), std::nullopt);

    const auto preview = ScanReplacePlanner::build({"x", "y", "z", "x"}, bins, "B1 B2", true);
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->replaceBins, (std::vector<QString>{"B1", "B2"}));
    EXPECT_EQ(preview->assignments,
              (std::vector<ScanReplaceAssignment>{{"x", "A0018"}, {"z", "A0019"}, {"x", "A0018"}}));
    EXPECT_TRUE(preview->dryRun);

    auto commit = ScanReplacePlanner::build({"x", "y", "z", "x"}, bins, "B1 B2", false);
    ASSERT_TRUE(commit);
    commit->dryRun = true;
    EXPECT_EQ(*commit, *preview);
    EXPECT_EQ(json::serialize(preview->toJson()),
              QByteArray(R"({"assignments":[{"itemId":"x","newBinId":"A0018"},{"itemId":"z","newBinId":"A0019"},)"
                         R"({"itemId":"x","newBinId":"A0018"}],"dryRun":true,"replaceBins":["B1","B2"]})"));
}
