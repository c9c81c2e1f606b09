#include "app/capture/CaptureCsvExport.h"

#include "app/batch/CaptureViewModel.h"
#include "platform/FakeFileRevealer.h"
#include "platform/FakeSavePanel.h"
#include "support/CaptureSessionKit.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"
#include "support/WaitFor.h"
#include "support/CaptureViewModelTestAccess.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

using Kind = CaptureCsvExport::Kind;

class CaptureCsvExportTest : public ::testing::Test {
protected:
    test::TempHome home;
    test::CaptureSessionKit kit;
    std::shared_ptr<BatchSession> session = kit.make();
    std::shared_ptr<CaptureViewModel> model = session->viewModel();
    std::shared_ptr<FakeFileRevealer> revealer = std::make_shared<FakeFileRevealer>();
    const QDate today{2026, 3, 9};

    void SetUp() override
    {
        // Two copies of one printing: the raw export keeps both, ManaBox merges them.
        auto second = test::CaptureSessionKit::row(1, true);
        test::testAccess(*model).setRows(
            {test::CaptureSessionKit::row(1, true), second, test::CaptureSessionKit::row(2, false)});
    }
    void run(Kind kind, std::shared_ptr<FakeSavePanel> panel)
    {
        test::waitFor(CaptureCsvExport::run(model, kind, today, panel, revealer));
    }
};

TEST_F(CaptureCsvExportTest, WritesTheCardsWhereTheUserChoseAndShowsTheFile)
{
    struct Case {
        Kind kind;
        const char* name;
        const char* message;
    };
    const std::vector<Case> cases{
        {Kind::rawScanOrder, "vantry-scan-raw-2026-03-09.csv",
         "Save these cards as a raw CSV in exact scan order — one row per card, duplicates not merged. They are not "
         "added to your Vantry inventory."},
        {Kind::manabox, "vantry-scan-2026-03-09.csv",
         "Save these cards as a ManaBox-format CSV (duplicates merged into a Quantity column). They are not added "
         "to your Vantry inventory."},
    };
    for (const Case& c : cases) {
        const QString target = home.file(QStringLiteral("out/") + c.name);
        QDir().mkpath(home.file("out"));
        auto panel = std::make_shared<FakeSavePanel>(target);
        run(c.kind, panel);

        ASSERT_EQ(panel->requests().size(), 1u) << c.name;
        const SavePanelRequest& request = panel->requests().front();
        EXPECT_EQ(request.title, "Export scanned cards");
        EXPECT_EQ(request.proposedName, c.name);
        EXPECT_EQ(request.message, c.message);
        EXPECT_EQ(request.nameFilters, QStringList{"CSV files (*.csv)"});
        const QString expected =
            c.kind == Kind::rawScanOrder ? model->rawScanCsvForExport() : model->manaboxCsvForExport();
        EXPECT_EQ(test::readFile(target), expected.toUtf8()) << c.name;
        EXPECT_EQ(revealer->revealed.takeFirst(), target) << c.name;
        EXPECT_EQ(model->importError(), std::nullopt);
    }
    // The two formats differ: the raw one keeps the repeated card.
    EXPECT_NE(model->rawScanCsvForExport(), model->manaboxCsvForExport());
}

TEST_F(CaptureCsvExportTest, ACancelledPanelWritesAndShowsNothing)
{
    auto panel = std::make_shared<FakeSavePanel>(std::nullopt);
    run(Kind::rawScanOrder, panel);
    EXPECT_EQ(panel->requests().size(), 1u);
    EXPECT_TRUE(revealer->revealed.isEmpty());
    EXPECT_EQ(model->importError(), std::nullopt);
}

TEST_F(CaptureCsvExportTest, AFailedWriteGoesToTheBannerAndLeavesTheBatchAsItWas)
{
    const auto rowsBefore = model->rows().size();
    const QString status = model->statusMessage();
    auto panel = std::make_shared<FakeSavePanel>(home.file("no-such-folder/cards.csv"));
    run(Kind::manabox, panel);
    ASSERT_TRUE(model->importError().has_value());
    EXPECT_TRUE(model->importError()->startsWith("Couldn't write CSV: ")) << model->importError()->toStdString();
    EXPECT_EQ(model->importErrorTitle(), "Export failed");
    EXPECT_GT(model->importError()->size(), QString("Couldn't write CSV: ").size());
    EXPECT_TRUE(revealer->revealed.isEmpty());
    EXPECT_EQ(model->rows().size(), rowsBefore);
    EXPECT_EQ(model->statusMessage(), status);
    EXPECT_FALSE(QFile::exists(home.file("no-such-folder/cards.csv")));

    // The export can be retried.
    auto retry = std::make_shared<FakeSavePanel>(home.file("cards.csv"));
    run(Kind::manabox, retry);
    EXPECT_EQ(test::readFile(home.file("cards.csv")), model->manaboxCsvForExport().toUtf8());
}

} // namespace
} // namespace vantry
