#include "app/capture/FooterState.h"

#include "app/batch/CaptureViewModel.h"
#include "core/intake/FolderWatcher.h"
#include "support/CaptureSessionKit.h"
#include "support/TempHome.h"
#include "support/CaptureViewModelTestAccess.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

using In = FooterState::Inputs;
using Line = FooterState::SecondLine;

TEST(FooterState, StatusAndSecondLineAcrossWatcherAndBatchStates)
{
    struct Case {
        const char* name;
        QString status;
        bool watching, paused;
        QString folder;
        qint64 rows, chosen, toReview;
        double value;
        QString expectedStatus;
        Line line;
        QString text;
        bool pausedSymbol;
        bool reading = false; // an ingest runs
    };
    const std::vector<Case> cases{
        {"nothing yet", "", false, false, "", 0, 0, 0, 0, "Ready", Line::none, "", false},
        {"status verbatim", "Imported 12 cards.", false, false, "", 0, 0, 0, 0, "Imported 12 cards.", Line::none, "",
         false},
        {"counts", "", false, false, "", 15, 12, 3, 41.5, "Ready", Line::counts,
         "12 confirmed · 3 to review · est. value $41.50", false},
        {"unpriced cards still show two decimals", "", false, false, "", 2, 2, 0, 0, "Ready", Line::counts,
         "2 confirmed · 0 to review · est. value $0.00", false},
        {"no thousands separator", "", false, false, "", 900, 900, 0, 12345.678, "Ready", Line::counts,
         "900 confirmed · 0 to review · est. value $12345.68", false},
        {"watching wins over counts", "", true, false, "B0007", 15, 12, 3, 41.5, "Ready", Line::watching,
         "Watching B0007", false},
        {"paused", "", true, true, "B0007", 0, 0, 0, 0, "Ready", Line::watching, "Paused B0007", true},
        {"watching without a folder falls back to counts", "", true, false, "", 1, 0, 1, 0, "Ready", Line::counts,
         "0 confirmed · 1 to review · est. value $0.00", false},
        // While scans are read the line says so, never "Ready".
        {"reading without a message", "", false, false, "", 0, 0, 0, 0, "Reading scans…", Line::none, "", false, true},
        {"reading with the batch's message", "Reading 120 scans…", true, false, "B0007", 3, 1, 2, 0,
         "Reading 120 scans…", Line::watching, "Watching B0007", false, true},
    };
    for (const Case& c : cases) {
        In in;
        in.statusMessage = c.status;
        in.isWatching = c.watching;
        in.isPaused = c.paused;
        in.watchedFolderName = c.folder;
        in.rowCount = c.rows;
        in.chosenCount = c.chosen;
        in.needsReviewCount = c.toReview;
        in.totalValue = c.value;
        in.isWorking = c.reading;
        const FooterState s = FooterState::of(in);
        EXPECT_EQ(s.status, c.expectedStatus) << c.name;
        EXPECT_EQ(s.secondLine, c.line) << c.name;
        EXPECT_EQ(s.secondText, c.text) << c.name;
        EXPECT_EQ(s.paused, c.pausedSymbol) << c.name;
    }
}

TEST(FooterState, ExportAndImportNeedAConfirmedRowAndAQuietBatch)
{
    struct Case {
        const char* name;
        bool confirmed, importing, working;
        bool enabled;
        QString missing; // the disabled buttons' help
        QString importTitle;
    };
    const std::vector<Case> cases{
        {"confirmed and quiet", true, false, false, true, "", "Import to Vantry"},
        {"nothing confirmed", false, false, false, false, FooterState::noConfirmedHelp(), "Import to Vantry"},
        {"importing", true, true, false, false, "Wait until the import to Vantry finishes.", "Importing…"},
        {"ingest running", true, false, true, false, "Wait until the scans being read are done.",
         "Import to Vantry"},
        {"nothing confirmed while reading", false, false, true, false, FooterState::noConfirmedHelp(),
         "Import to Vantry"},
    };
    for (const Case& c : cases) {
        In in;
        in.hasConfirmedRows = c.confirmed;
        in.isImporting = c.importing;
        in.isWorking = c.working;
        const FooterState s = FooterState::of(in);
        EXPECT_EQ(s.actionsEnabled, c.enabled) << c.name;
        EXPECT_EQ(s.importEnabled, c.enabled) << c.name;
        EXPECT_EQ(s.importTitle, c.importTitle) << c.name;
        EXPECT_EQ(s.importSpinner, c.importing) << c.name;
        if (c.enabled) {
            EXPECT_TRUE(s.exportHelp.startsWith("Download these scanned cards as a raw CSV")) << c.name;
            EXPECT_TRUE(s.manaboxHelp.startsWith("Alternative export: ManaBox / Manapool")) << c.name;
        } else {
            for (const QString* help : {&s.exportHelp, &s.manaboxHelp, &s.importHelp})
                EXPECT_EQ(*help, c.missing) << c.name;
        }
    }
}

// A press of Import looks up the workspace before asking; the exports need none.
TEST(FooterState, ImportWaitsWhileItsWorkspaceIsLookedUp)
{
    In in;
    in.hasConfirmedRows = true;
    in.isResolvingWorkspace = true;
    const FooterState s = FooterState::of(in);
    EXPECT_TRUE(s.actionsEnabled);
    EXPECT_FALSE(s.importEnabled);
    EXPECT_TRUE(s.importSpinner);
    EXPECT_EQ(s.importTitle, "Import to Vantry");
    EXPECT_EQ(s.importHelp, FooterState::resolvingWorkspaceHelp());
    EXPECT_TRUE(s.exportHelp.startsWith("Download these scanned cards as a raw CSV"));

    in.isResolvingWorkspace = false;
    EXPECT_TRUE(FooterState::of(in).importEnabled);
    EXPECT_FALSE(FooterState::of(in).importSpinner);
}

TEST(FooterState, DestinationNamesTheWorkspaceAndWarnsWithoutOne)
{
    struct Case {
        QString id, name, destination;
        bool warns;
    };
    const std::vector<Case> cases{
        {"", "", "→ personal inventory", true},
        {"", "Shop", "→ personal inventory", true},
        {"ws-1", "", "→ workspace", false},
        {"ws-1", "Shop", "→ Shop", false},
    };
    for (const Case& c : cases) {
        In in;
        in.workspaceId = c.id;
        in.workspaceName = c.name;
        const FooterState s = FooterState::of(in);
        EXPECT_EQ(s.destination, c.destination) << c.id.toStdString() << "/" << c.name.toStdString();
        EXPECT_EQ(s.destinationWarns, c.warns) << c.id.toStdString();
    }
}

TEST(FooterState, InputsCountTheModelsChosenRowsAndTheirValue)
{
    test::TempHome home;
    test::CaptureSessionKit kit;
    auto session = kit.make();
    CaptureViewModel& model = *session->viewModel();
    auto priced = test::CaptureSessionKit::row(1, true);
    priced.chosen->priceUSD = 2.5;
    auto unpriced = test::CaptureSessionKit::row(2, true);
    test::testAccess(model).setRows({priced, unpriced, test::CaptureSessionKit::row(3, false)});
    const In in = In::of(model, session->watcher());
    EXPECT_EQ(in.rowCount, 3);
    EXPECT_EQ(in.chosenCount, 2);
    EXPECT_EQ(in.needsReviewCount, 1);
    EXPECT_TRUE(in.hasConfirmedRows);
    EXPECT_EQ(FooterState::of(in).secondText, "2 confirmed · 1 to review · est. value $2.50");
}

} // namespace
} // namespace vantry
