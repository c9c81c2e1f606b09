#include "core/support/Json.h"
#include "core/service/ServiceRecords.h"
#include "core/service/TokenResponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vantry;

namespace {

QJsonObject obj(const char* text) { return json::parseObject(QByteArray(text)); }

} // namespace

TEST(ServiceRecords, BodiesLeaveAbsentValuesOutAndNeverWriteNull)
{
    struct Case {
        const char* name;
        QJsonObject written;
        const char* expected;
    };
    CreateSessionBody full;
    full.workspaceId = "W1";
    full.defaultCondition = "NM";
    full.defaultAcquisitionCost = 0.25;
    CreateSessionBody emptyWorkspace;
    emptyWorkspace.workspaceId = "";
    const std::vector<Case> cases = {
        {"bare create", CreateSessionBody{}.toJson(), R"({"source":"desktop-scan"})"},
        {"full create", full.toJson(),
         R"({"source":"desktop-scan","workspaceId":"W1","defaultCondition":"NM","defaultAcquisitionCost":0.25})"},
        {"empty workspace is sent", emptyWorkspace.toJson(), R"({"source":"desktop-scan","workspaceId":""})"},
        {"bare import", ImportBody{}.toJson(), "{}"},
        {"import", ImportBody{QString("A1"), std::nullopt, 2.0}.toJson(), R"({"location":"A1","defaultAcquisitionCost":2})"},
        {"status", UpdateStatusBody{"updateStatus", "reviewing"}.toJson(), R"({"action":"updateStatus","status":"reviewing"})"},
        {"presign without metadata", PresignFrameBody{"image/jpeg", "id:foil", std::nullopt}.toJson(),
         R"({"contentType":"image/jpeg","itemId":"id:foil"})"},
        {"presign with empty metadata", PresignFrameBody{"image/jpeg", "i", StringDictionary{}}.toJson(),
         R"({"contentType":"image/jpeg","itemId":"i","metadata":{}})"},
        {"finalize", FinalizeFrameBody{"k/1"}.toJson(), R"({"s3Key":"k/1"})"},
        {"event", AnalyticsEventBody{"opened", {}}.toJson(), R"({"eventType":"opened","metadata":{}})"},
        {"defaults", ImportDefaults{QString("LP"), std::nullopt}.toJson(), R"({"defaultCondition":"LP"})"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.written, obj(c.expected)) << c.name;

    // Every request record reads back from its own JSON.
    EXPECT_EQ(CreateSessionBody::fromJson(full.toJson()), full);
    EXPECT_EQ(CreateSessionBody::fromJson(obj(R"({"source":"desktop-scan","workspaceId":null})")), CreateSessionBody{});
    const PresignFrameBody presign{"image/jpeg", "i", StringDictionary{{"client", "vantry-capture"}}};
    EXPECT_EQ(PresignFrameBody::fromJson(presign.toJson()), presign);
}

TEST(ServiceRecords, NonFiniteNumbersFailToEncode)
{
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity()}) {
        CreateSessionBody create;
        create.defaultAcquisitionCost = bad;
        EXPECT_THROW(create.toJson(), json::Error);
        EXPECT_THROW((ImportBody{std::nullopt, std::nullopt, bad}.toJson()), json::Error);
        AddItemBody add;
        add.item.confidence = bad;
        EXPECT_THROW(add.toJson(), json::Error);
        add.item.confidence = 0.5;
        add.item.unitCost = bad;
        EXPECT_THROW(add.toJson(), json::Error);
    }
}

TEST(ServiceRecords, BinsReadFromBothShapes)
{
    struct Case {
        const char* reply;
        std::optional<std::vector<InventoryBinSummary>> bins; // nullopt: the reply fails
    };
    using Bins = std::vector<InventoryBinSummary>;
    const std::vector<Case> cases = {
        {R"({"bins":[{"binId":"A1","itemCount":12,"distinctCardCount":9}]})", Bins{{"A1", 9, 12, ""}}},
        {R"({"bins":[{"label":"A1","distinctSkuCount":9,"totalQty":12}]})", Bins{{"A1", 9, 12, ""}}},
        {R"({"bins":[{"label":"A1","distinctSkuCount":9,"totalQty":12,"lastUpdated":null}]})", Bins{{"A1", 9, 12, ""}}},
        {R"({"bins":[{"label":"B","distinctSkuCount":1,"totalQty":2,"lastUpdated":"2024-05-01"}]})", Bins{{"B", 1, 2, "2024-05-01"}}},
        // Both shapes present: the current one wins.
        {R"({"bins":[{"binId":"C","itemCount":5,"distinctCardCount":4,"label":"L","distinctSkuCount":1,"totalQty":1}]})",
         Bins{{"C", 4, 5, ""}}},
        {R"({"bins":null})", Bins{}},
        {R"({})", Bins{}},
        {R"({"bins":[]})", Bins{}},
        {R"({"bins":[{"label":"ok","distinctSkuCount":1,"totalQty":1},{"binId":"A1","distinctCardCount":9}]})", std::nullopt},
        {R"({"bins":[{"binId":"A1","itemCount":1.5,"distinctCardCount":1}]})", std::nullopt},
        {R"({"bins":{}})", std::nullopt},
        {"not json", std::nullopt},
    };
    for (const auto& c : cases) {
        if (!c.bins) {
            EXPECT_THROW(InventoryBinsResponse::decode(c.reply), json::Error) << c.reply;
            continue;
        }
        EXPECT_EQ(InventoryBinsResponse::decode(c.reply).bins.value_or(Bins{}), *c.bins) << c.reply;
    }
}

TEST(ServiceRecords, ImportCountRules)
{
    using CK = ImportResponse::CountKind;
    struct Case {
        const char* reply;
        int count;
        CK kind;
    };
    const std::vector<Case> cases = {
        {R"({"imported":3,"data":{"imported":5}})", 3, CK::reported},
        {R"({"data":{"imported":5}})", 5, CK::reported},
        {R"({"imported":null,"data":{"imported":5}})", 5, CK::reported},
        {R"({"imported":0})", 0, CK::reported},
        {R"({"data":{}})", 0, CK::missing},
        {R"({})", 0, CK::missing},
        {R"({"imported":null})", 0, CK::missing},
        {"<html>bad gateway</html>", 0, CK::unreadable},
        {"", 0, CK::unreadable},
        {R"({"imported":"3"})", 0, CK::unreadable},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ImportResponse::readCount(c.reply), (ImportResponse::Count{c.kind, c.count})) << c.reply;
        EXPECT_EQ(ImportResponse::importedCount(c.reply), c.count) << c.reply;
    }
}

TEST(ServiceRecords, RepliesNeedTheirRequiredKeys)
{
    const auto ws = WorkspacesResponse::decode(R"({"workspaces":[{"wsId":"W1"},{"wsId":"W2","name":"Shop","role":"owner","x":1}]})");
    ASSERT_EQ(ws.workspaces.size(), 2u);
    EXPECT_EQ(ws.workspaces[0], (WorkspaceSummary{"W1", std::nullopt, std::nullopt}));
    EXPECT_EQ(ws.workspaces[1], (WorkspaceSummary{"W2", QString("Shop"), QString("owner")}));
    EXPECT_THROW(WorkspacesResponse::decode(R"({"workspaces":[{"wsId":"W1"},{"name":"x"}]})"), json::Error);
    EXPECT_THROW(WorkspacesResponse::decode(R"({})"), json::Error);

    const auto presign = PresignFrameResponse::decode(R"({"uploadUrl":"https://s/u","s3Key":"k","frameId":"f","expiresIn":900})");
    EXPECT_FALSE(presign.uploadHeaders.has_value());
    const auto emptyHeaders = PresignFrameResponse::decode(
        R"({"uploadUrl":"https://s/u","s3Key":"k","frameId":"f","expiresIn":900,"uploadHeaders":{}})");
    ASSERT_TRUE(emptyHeaders.uploadHeaders.has_value());
    EXPECT_TRUE(emptyHeaders.uploadHeaders->empty());
    EXPECT_THROW(PresignFrameResponse::decode(R"({"uploadUrl":"https://s/u","s3Key":"k","frameId":"f"})"), json::Error);
    EXPECT_THROW(PresignFrameResponse::decode(
                     R"({"uploadUrl":"u","s3Key":"k","frameId":"f","expiresIn":1,"uploadHeaders":{"a":1}})"),
                 json::Error);

    EXPECT_EQ(CreateSessionResponse::decode(R"({"data":{"sessionId":"S1"}})").sessionId, "S1");
    EXPECT_THROW(CreateSessionResponse::decode(R"({"sessionId":"S1"})"), json::Error);

    const auto cleanup = CleanupStaleResult::decode(R"({"deletedSessionIds":["a","b"],"cutoffIso":"2024-01-01T00:00:00Z","idleHours":24})");
    EXPECT_EQ(cleanup, (CleanupStaleResult{{"a", "b"}, "2024-01-01T00:00:00Z", 24}));
    EXPECT_THROW(CleanupStaleResult::decode(R"({"deletedSessionIds":[],"idleHours":24})"), json::Error);

    EXPECT_EQ(TokenResponse::decode(R"({"access_token":"a","token_type":"Bearer"})"), (TokenResponse{"a", std::nullopt}));
    EXPECT_EQ(TokenResponse::decode(R"({"access_token":"a","refresh_token":"r"})").refreshToken, QString("r"));
    EXPECT_THROW(TokenResponse::decode(R"({"refresh_token":"r"})"), json::Error);
}
