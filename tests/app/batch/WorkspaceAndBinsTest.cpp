#include "InventoryFixture.h"

#include "app/settings/CaptureConfig.h"
#include "support/WaitFor.h"

#include <QSignalSpy>

namespace vantry {
namespace {


using Endpoint = test::FakeInventoryService::Endpoint;

class WorkspaceTest : public test::InventoryFixture {};

TEST_F(WorkspaceTest, DefaultingStoresTheFirstWorkspaceOnlyWhenNoneIsSetAndSomeoneIsSignedIn)
{
    service.workspaces = {{"ws-9", std::nullopt, QString("owner")}, {"ws-2", QString("Other"), std::nullopt}};
    const auto model = makeModel();

    // Configured: nothing is asked.
    test::waitFor(model->resolveDefaultWorkspace());
    EXPECT_EQ(service.calls(Endpoint::workspaces), 0);

    // Signed out: nothing is asked, nothing is written.
    setWorkspace("");
    const auto signedOut = makeModel(nullptr);
    test::waitFor(signedOut->resolveDefaultWorkspace());
    EXPECT_EQ(service.calls(Endpoint::workspaces), 0);
    EXPECT_TRUE(trace.lines().isEmpty());

    // The first workspace, without a name: stored with an empty name, scope falls back to the id.
    test::waitFor(model->resolveDefaultWorkspace());
    EXPECT_EQ(service.lines(), QStringList{"GET /me/workspaces"});
    EXPECT_EQ(CaptureConfig::current().workspaceId, "ws-9");
    EXPECT_EQ(CaptureConfig::current().workspaceName, "");
    EXPECT_EQ(trace.lines(), QStringList{"[workspace] defaulted import scope to ws-9 (unnamed)"});
}

TEST_F(WorkspaceTest, DefaultingThatFindsNothingOrFailsLeavesTheWorkspaceEmpty)
{
    setWorkspace("");
    const auto model = makeModel();
    service.workspaces.clear();
    test::waitFor(model->resolveDefaultWorkspace());
    service.failCall(Endpoint::workspaces, 2, 503, "down");
    test::waitFor(model->resolveDefaultWorkspace());

    EXPECT_EQ(CaptureConfig::current().workspaceId, "");
    const QStringList lines = trace.lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "[workspace] caller has no workspace \u2014 imports would go to personal");
    EXPECT_TRUE(lines[1].startsWith("[workspace] could not resolve default workspace: GET /me/workspaces -> HTTP 503"))
        << lines[1].toStdString();
}

TEST_F(WorkspaceTest, StaleSessionCleanUpToastsTheCountAndNeverFailsLoudly)
{
    struct Case {
        std::vector<QString> deleted;
        std::optional<QString> toast;
        QStringList lines;
    };
    const std::vector<Case> cases = {
        {{}, std::nullopt, {}},
        {{"s-1"}, QString("Cleaned up 1 stale scan session"), {"[scan-session] GC removed 1 stale reviewing sessions: s-1"}},
        {{"s-1", "s-2"},
         QString("Cleaned up 2 stale scan sessions"),
         {"[scan-session] GC removed 2 stale reviewing sessions: s-1, s-2"}},
    };
    for (const Case& c : cases) {
        StdoutTrace::Capture lines;
        service.staleSessionIds = c.deleted;
        const auto model = makeModel();
        test::waitFor(model->cleanupStaleScanSessions());
        EXPECT_EQ(model->toast(), c.toast);
        EXPECT_EQ(lines.lines(), c.lines);
    }
    // The service's default age applies: no idle limit is sent.
    EXPECT_EQ(service.lines().back(), "POST /scan-sessions/cleanup-stale?workspaceId=ws-1");

    StdoutTrace::Capture lines;
    service.failCall(Endpoint::cleanupStale, service.calls(Endpoint::cleanupStale) + 1, 500, "boom");
    const auto model = makeModel();
    test::waitFor(model->cleanupStaleScanSessions());
    EXPECT_EQ(model->toast(), std::nullopt);
    EXPECT_EQ(model->importError(), std::nullopt);
    ASSERT_EQ(lines.lines().size(), 1);
    EXPECT_TRUE(lines.lines()[0].startsWith("[scan-session] GC of stale sessions failed (non-fatal): "));

    // Without any workspace, nothing is asked to be cleaned.
    setWorkspace("");
    service.workspaces.clear();
    const int before = service.calls(Endpoint::cleanupStale);
    test::waitFor(makeModel()->cleanupStaleScanSessions());
    EXPECT_EQ(service.calls(Endpoint::cleanupStale), before);
}

TEST_F(WorkspaceTest, BinsAreSortedCaseInsensitivelyAndAFailedLoadKeepsTheLastGoodList)
{
    service.binShape = test::FakeInventoryService::BinShape::legacy;
    service.bins = {{"b", 1, 2, ""}, {"A", 1, 1, ""}, {"a1", 3, 4, ""}, {"C", 0, 0, ""}};
    const auto model = makeModel();
    test::waitFor(model->refreshInventoryBins());

    QStringList labels;
    for (const auto& b : model->binList()->inventoryBins())
        labels << b.label;
    EXPECT_EQ(labels, QStringList({"A", "a1", "b", "C"}));
    ASSERT_TRUE(model->binList()->inventoryBinsLoadedAt());
    const QDateTime loadedAt = *model->binList()->inventoryBinsLoadedAt();
    EXPECT_EQ(model->binList()->inventoryBinsError(), std::nullopt);
    EXPECT_FALSE(model->binList()->isLoadingInventoryBins());
    EXPECT_EQ(service.lines().back(), "GET /inventory?ws=ws-1&fresh=1&limit=1");

    service.failCall(Endpoint::bins, 2, test::FakeHttpResponse::json(403, R"({"error":"forbidden"})"));
    test::waitFor(model->refreshInventoryBins());
    EXPECT_EQ(model->binList()->inventoryBins().size(), 4u);
    EXPECT_EQ(model->binList()->inventoryBinsLoadedAt(), loadedAt);
    EXPECT_EQ(model->binList()->inventoryBinsError(),
              QString("Access denied for this scope/bin. Check the workspace in Settings.\n\n"
                      "GET /inventory?ws=ws-1&fresh=1&limit=1\nHTTP 403\n{\"error\":\"forbidden\"}"));

    // No workspace at all: the list empties and says so, without a request.
    setWorkspace("");
    service.workspaces.clear();
    test::waitFor(model->refreshInventoryBins());
    EXPECT_TRUE(model->binList()->inventoryBins().empty());
    EXPECT_EQ(model->binList()->inventoryBinsLoadedAt(), std::nullopt);
    EXPECT_EQ(model->binList()->inventoryBinsError(), QString("No workspace configured."));
    EXPECT_EQ(service.calls(Endpoint::bins), 2);
}

TEST_F(WorkspaceTest, ASecondBinLoadWhileOneRunsChangesNothing)
{
    service.bins = {{"A1", 1, 1, ""}};
    service.failCall(Endpoint::bins, 1, test::FakeHttpResponse::json(200, R"({"bins":[{"binId":"A1","itemCount":1,"distinctCardCount":1}]})").after(200));
    const auto model = makeModel();
    auto first = model->refreshInventoryBins();
    ASSERT_TRUE(model->binList()->isLoadingInventoryBins());
    QSignalSpy changed(model->binList(), &InventoryBinList::inventoryBinsChanged);
    test::waitFor(model->refreshInventoryBins()); // returns at once
    EXPECT_EQ(changed.count(), 0);
    test::waitFor(std::move(first));
    EXPECT_EQ(service.calls(Endpoint::bins), 1);
    EXPECT_EQ(model->binList()->inventoryBins().size(), 1u);
}

} // namespace
} // namespace vantry
