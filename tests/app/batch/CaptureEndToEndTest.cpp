// The main road without a window: a folder of scans becomes inventory on the fake service.
#include "InventoryFixture.h"

#include "BatchTestKit.h"
#include "core/records/ScanManifestStore.h"
#include "core/records/TrainingDataStore.h"
#include "core/support/Json.h"
#include "support/WaitFor.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QJsonDocument>

namespace vantry {
namespace {



class CaptureEndToEndTest : public test::InventoryFixture {};

TEST_F(CaptureEndToEndTest, FolderToReviewToImportThenTheSameFolderAgain)
{
    service.catalogue = {{"bolt-id", "Lightning Bolt", "M21", "162", QString("1.25")}};
    for (int i = 0; i < 5; ++i) {
        const int marker = std::vector<int>{1, 2, 3, 91, 92}[i];
        test::writeMarkedScan(scan(QStringLiteral("%1.png").arg(i + 1, 2, 10, QLatin1Char('0'))), marker);
    }
    const auto model = makeModel();
    test::waitFor(model->importFromFolder(folder));
    ASSERT_EQ(model->rows().size(), 5u);
    EXPECT_EQ(model->needsReviewCount(), 2);

    // Review: confirm the fourth card's best candidate, skip the fifth, add a card by hand
    // found through the service's card lookup, and name the bin with blanks around it.
    const auto rows = model->rows();
    model->confirm(rows[3].id, rows[3].candidates.front());
    model->skip(rows[4].id);
    const std::optional<std::vector<Candidate>> found =
        test::waitFor(model->searchForManualAdd("lightning bolt", ScanFinish::nonfoil, ManualSearchKind::any));
    ASSERT_TRUE(found);
    ASSERT_EQ(found->size(), 1u);
    EXPECT_EQ(model->addManualCard(found->front(), 1), 1);
    test::testAccess(*model).setBin(" A1 ");

    test::waitFor(model->importToInventory());

    const QStringList lines = sessionLines();
    QStringList expected{"POST /scan-sessions"};
    for (int i = 0; i < 5; ++i)
        expected << "PATCH /scan-sessions/sess-1?workspaceId=ws-1";
    for (const char* item : {"card-1:nonfoil", "card-2:nonfoil", "card-3:nonfoil", "shock-a:nonfoil"}) {
        expected << "POST /scan-sessions/sess-1/frames/presign?workspaceId=ws-1";
        expected << "PUT";
        expected << QString("POST /scan-sessions/sess-1/items/%1/finalize?workspaceId=ws-1").arg(item);
    }
    expected << "PATCH /scan-sessions/sess-1?workspaceId=ws-1"
             << "POST /scan-sessions/sess-1/import-to-portfolio?workspaceId=ws-1";
    ASSERT_EQ(lines.size(), expected.size()) << lines.join("\n").toStdString();
    for (int i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(lines[i].startsWith(expected[i])) << lines[i].toStdString();
    for (const auto& request : service.journal()) {
        EXPECT_FALSE(request.body.contains("null")) << request.line().toStdString();
        if (request.method == "PUT")
            EXPECT_FALSE(request.hasHeader("Authorization"));
        else if (!request.target.contains("/cards/"))
            EXPECT_EQ(request.header("Authorization"), "Bearer " + accessToken().toUtf8());
    }
    const auto& session = service.lastSession();
    ASSERT_EQ(session.items.size(), 5u);
    EXPECT_EQ(session.items[4].itemId, "bolt-id:nonfoil");
    EXPECT_EQ(session.imported->location, QString("A1"));

    EXPECT_TRUE(model->rows().empty());
    EXPECT_EQ(model->toast(), QString("Imported 5 cards \u2192 Main shop \u00B7 bin A1"));
    EXPECT_EQ(model->statusMessage(), "Imported 5 printings into Main shop bin A1. Ready for the next batch.");
    EXPECT_EQ(ledgerKeys().size(), 8u); // two keys for each of the four scans
    const auto manifest = ScanManifestStore::load(folder + "/vantry-scan-manifest.json");
    ASSERT_TRUE(manifest);
    ASSERT_EQ(manifest->entries.size(), 4u);
    EXPECT_EQ(manifest->entries[3].itemId, "shock-a:nonfoil");
    EXPECT_TRUE(manifest->entries[3].verifiedFinish);
    const auto labels = model->trainingStore()->allLabels();
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_EQ(std::count_if(labels.begin(), labels.end(), [](const TrainingLabel& l) { return l.verified; }), 1);

    // The same folder again: the four imported scans are known, the skipped one returns,
    // and no scan session is opened.
    service.server().clearJournal();
    const auto again = makeModel();
    test::waitFor(again->importFromFolder(folder));
    EXPECT_EQ(again->lastIngestSkippedCount(), 4);
    ASSERT_EQ(again->rows().size(), 1u);
    EXPECT_EQ(again->rows()[0].card.front, scan("05.png"));
    test::waitFor(again->importToInventory());
    EXPECT_EQ(again->statusMessage(), "Nothing confirmed to import.");
    EXPECT_TRUE(sessionLines().isEmpty());
}

} // namespace
} // namespace vantry
