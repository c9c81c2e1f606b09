#include "app/batch/CaptureViewModel.h"
#include "app/batch/ImportOutcome.h"

#include "platform/VirtualDelayScheduler.h"
#include "support/CaptureViewModelTestAccess.h"
#include "support/MarkerRecognizer.h"
#include "support/RecordingResolver.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

// What the batch shows at the end of an import, for each way an import ends: which text wins
// when several things went wrong, and which outcomes leave an earlier banner alone.
TEST(ImportOutcomeTest, EachOutcomeShowsItsStatusBannerAndToast)
{
    test::TempHome home;
    VirtualDelayScheduler clock;
    CaptureViewModel::Collaborators collaborators;
    collaborators.recognizer = std::make_shared<test::MarkerRecognizer>();
    collaborators.resolver = std::make_shared<test::RecordingResolver>();
    collaborators.artMatcher = std::shared_ptr<const ArtCardMatching>();
    collaborators.scheduler = &clock;
    const auto model = CaptureViewModel::create(nullptr, std::move(collaborators));

    using O = ImportOutcome;
    const QString inFlight = "1 card was left out: another import is sending them right now.";
    const auto saved = [&](int imported, int sent) {
        return O::Saved{.sessionId = "s-1", .imported = imported, .sent = sent, .scope = "Main shop",
                        .location = "A1", .committedRows = 3, .notes = {inFlight}};
    };
    const QString earlier = "earlier";
    struct Case {
        const char* name;
        ImportOutcome outcome;
        qint64 rowsLeft;
        QString status;
        QString bannerTitle;           // "earlier": the banner was left as it was
        std::optional<QString> banner; // how the banner starts; none: cleared
        std::optional<QString> toast;
    };
    const std::vector<Case> cases = {
        {"nothing confirmed", {O::NothingSent{}}, 0, "Nothing confirmed to import.", earlier, earlier, {}},
        {"everything left out", {O::NothingSent{{inFlight}}}, 1,
         "Nothing sent: every confirmed card is already imported or held. " + inFlight, earlier, earlier, {}},
        // Only a failure that proves nothing reached the inventory says nothing was imported.
        {"refused before sending", {O::Failed{"Connection refused", O::Failed::Cause::unreachable}}, 2,
         "Nothing imported \u2014 the inventory service could not be reached; the batch is kept (see banner).",
         "Import failed",
         "The Vantry inventory service could not be reached (Connection refused). Nothing was imported, and the "
         "batch is kept.",
         {}},
        {"unknown", {O::Unknown{"s-1"}}, 2,
         "Import outcome unknown (scan session s-1) \u2014 these cards are held until you check (see banner).",
         {}, std::nullopt, {}},
        {"settled by the session record", {O::SettledByService{"s-1", 2}}, 0,
         "The service reports scan session s-1 as imported: its cards are recorded as imported.", earlier, earlier, {}},
        // This batch's own import, settled after an attempt that failed: that failure's banner goes.
        {"settled, this batch's import", {[] { O::SettledByService s{"s-1", 2}; s.ofThisBatch = true; return s; }()},
         0, "The service reports scan session s-1 as imported: its cards are recorded as imported.", {},
         std::nullopt, {}},
        {"settled, ledger not written", {O::SettledByService{"s-1", 2, "disk full"}}, 0,
         "Imported 2 printings \u2014 the record of imported scans could not be saved (see banner).",
         "Imported, but not recorded", "Your cards are in the inventory (2 printings, scan session s-1)", {}},
        {"saved, rows left", {saved(3, 3)}, 1,
         "Imported 3 confirmed rows (3 printings) into Main shop bin A1. 1 row still needs review. " + inFlight,
         {}, std::nullopt, "Imported 3 cards \u2192 Main shop \u00B7 bin A1"},
        {"saved, batch empty", {saved(3, 3)}, 0,
         "Imported 3 printings into Main shop bin A1. Ready for the next batch. " + inFlight,
         {}, std::nullopt, "Imported 3 cards \u2192 Main shop \u00B7 bin A1"},
        {"one printing saved", {[&] { O::Saved s = saved(1, 1); s.committedRows = 1; return s; }()}, 1,
         "Imported 1 confirmed row (1 printing) into Main shop bin A1. 1 row still needs review. " + inFlight,
         {}, std::nullopt, "Imported 1 card \u2192 Main shop \u00B7 bin A1"},
        {"saved, manifest not written",
         {[&] { O::Saved s = saved(3, 3); s.manifestFailure = "read-only"; return s; }()}, 0,
         "Imported 3 printings into Main shop bin A1. Ready for the next batch. " + inFlight,
         "Imported, but the scan manifest was not written",
         "Imported successfully, but could not write the local scan manifest for evaluation: read-only",
         "Imported 3 cards \u2192 Main shop \u00B7 bin A1"},
        {"shortfall before a manifest failure",
         {[&] { O::Saved s = saved(2, 3); s.manifestFailure = "read-only"; return s; }()}, 0,
         "Imported 2 of 3 printings \u2014 see banner.", "Import incomplete",
         "The service saved 2 of the 3 printings", {}},
        {"ledger not written before a shortfall",
         {[&] { O::Saved s = saved(2, 3); s.notRecorded = "disk full"; return s; }()}, 0,
         "Imported 2 printings \u2014 the record of imported scans could not be saved (see banner).",
         "Imported, but not recorded", "Your cards are in the inventory (2 printings, scan session s-1)", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto access = test::testAccess(*model);
        access.setRows(std::vector<CaptureViewModel::Row>(std::size_t(c.rowsLeft)));
        access.setImportError(earlier, earlier);
        access.setToast(std::nullopt);
        access.publishImport(c.outcome);
        EXPECT_EQ(model->statusMessage(), c.status);
        EXPECT_EQ(model->importError().has_value(), c.banner.has_value());
        if (c.banner && model->importError())
            EXPECT_TRUE(model->importError()->startsWith(*c.banner)) << model->importError()->toStdString();
        if (c.banner)
            EXPECT_EQ(model->importErrorTitle(), c.bannerTitle);
        EXPECT_EQ(model->toast(), c.toast);
    }
}

} // namespace
} // namespace vantry
