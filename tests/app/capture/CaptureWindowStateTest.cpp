#include "app/capture/CaptureWindowState.h"

#include "app/batch/BatchSession.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "core/intake/FolderWatcher.h"
#include "platform/FakePreferenceDomains.h"
#include "support/CaptureSessionKit.h"
#include "support/TempHome.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

namespace vantry {
namespace {

using namespace std::chrono_literals;

const QString domain = QStringLiteral("com.apple.Image_Capture");
const QString key = QStringLiteral("IK_DetectSeparateItemsScanMode");

class CaptureWindowStateTest : public ::testing::Test {
protected:
    test::TempHome home;
    test::CaptureSessionKit kit;
    FakePreferenceDomains preferences;
    test::FakeAlertPrompter prompter;
    QDateTime clock = QDateTime(QDate(2026, 3, 1), QTime(9, 0));
    std::shared_ptr<BatchSession> session = kit.make();

    SettingsStore& settings() { return *SettingsStore::standard(); }

    std::unique_ptr<CaptureWindowState> open()
    {
        return std::make_unique<CaptureWindowState>(
            *session, CaptureWindowState::Services{SettingsStore::standard(), &kit.scheduler, &preferences, &prompter,
                                                   [this] { return clock; }});
    }
};

TEST_F(CaptureWindowStateTest, AppearingClearsTheSourceFolderAndHealsWhileTheWatcherReachesTheModel)
{
    settings().setString(SettingsKeys::scanSourceFolder, "/elsewhere");
    preferences.set(domain, key, 1);
    auto window = open();

    EXPECT_EQ(settings().string(SettingsKeys::scanSourceFolder), QString());
    EXPECT_EQ(preferences.value(domain, key), 0);
    ASSERT_TRUE(session->viewModel()->prefHealMessage());
    EXPECT_TRUE(session->viewModel()->prefHealMessage()->startsWith("Disabled the scanning app's"));

    // The batch connected the watcher to its model; the window changes nothing of it.
    FolderWatcher& watcher = session->watcher();
    emit watcher.duplicatesDropped(2);
    EXPECT_EQ(session->viewModel()->toast(), QString("Dropped 2 duplicate scans"));
    emit watcher.pagesRouted(1, "/scans/B0001");
    EXPECT_EQ(session->viewModel()->statusMessage(), "Moved 1 scan into B0001.");
}

TEST_F(CaptureWindowStateTest, AnUnavailableDomainChangesNothing)
{
    auto window = open();
    EXPECT_EQ(session->viewModel()->prefHealMessage(), std::nullopt);
    EXPECT_EQ(preferences.writes(), 0);
}

TEST_F(CaptureWindowStateTest, HeartbeatResetsTheSettingWithin300SecondsWhileTheWindowLives)
{
    preferences.makeAvailable(domain);
    auto window = open();
    EXPECT_EQ(session->viewModel()->prefHealMessage(), std::nullopt);

    preferences.set(domain, key, 2); // the scan app turned it on again
    kit.scheduler.advance(299s);
    EXPECT_EQ(preferences.value(domain, key), 2);
    kit.scheduler.advance(1s);
    EXPECT_EQ(preferences.value(domain, key), 0);
    EXPECT_TRUE(session->viewModel()->prefHealMessage().has_value());

    // Gone with the window; the batch keeps its message.
    window.reset();
    preferences.set(domain, key, 3);
    kit.scheduler.advance(900s);
    EXPECT_EQ(preferences.value(domain, key), 3);
}

TEST_F(CaptureWindowStateTest, BrowsesOnlyWhileDirectScanningIsOn)
{
    struct Case {
        std::optional<bool> stored;
        bool browsingAtAppear;
    };
    for (const Case& c : std::vector<Case>{{std::nullopt, true}, {true, true}, {false, false}}) {
        session = kit.make();
        if (c.stored)
            settings().setBoolean(SettingsKeys::directScanEnabled, *c.stored);
        else
            settings().remove(SettingsKeys::directScanEnabled);
        auto window = open();
        EXPECT_EQ(kit.browsing(*session), c.browsingAtAppear);

        settings().setBoolean(SettingsKeys::directScanEnabled, !c.browsingAtAppear);
        EXPECT_EQ(kit.browsing(*session), !c.browsingAtAppear);
        EXPECT_EQ(window->directScanEnabled(), !c.browsingAtAppear);
        settings().setBoolean(SettingsKeys::directScanEnabled, c.browsingAtAppear);
        EXPECT_EQ(kit.browsing(*session), c.browsingAtAppear);
    }
}

TEST_F(CaptureWindowStateTest, ClockMovesOnlyWhileTheWatcherWatches)
{
    auto window = open();
    const QDateTime opened = window->nowTick();
    clock = clock.addSecs(10);
    kit.scheduler.advance(3s);
    EXPECT_EQ(window->nowTick(), opened);

    QDir(home.path()).mkpath("scans");
    session->watcher().start(home.file("scans"));
    ASSERT_TRUE(session->watcher().isWatching());
    kit.scheduler.advance(1s);
    EXPECT_EQ(window->nowTick(), clock);

    const QDateTime stoppedAt = clock;
    session->watcher().stop();
    clock = clock.addSecs(60);
    kit.scheduler.advance(5s);
    EXPECT_EQ(window->nowTick(), stoppedAt);
}

TEST_F(CaptureWindowStateTest, ScanFolderIsStoredOnlyWhenChosen)
{
    settings().setString(SettingsKeys::scanFolder, "/scans/old");
    auto window = open();
    session->setScanFolderPath("/scans/B0009");
    EXPECT_EQ(settings().string(SettingsKeys::scanFolder), QString("/scans/B0009"));
    settings().setString(SettingsKeys::scanSourceFolder, "/elsewhere");
    session->setScanFolderPath("");
    EXPECT_EQ(settings().string(SettingsKeys::scanFolder), QString("/scans/B0009"));
    EXPECT_EQ(settings().string(SettingsKeys::scanSourceFolder), QString());
}

TEST_F(CaptureWindowStateTest, DiscardAlertNamesTheRowsAndClearsThemOnlyWhenConfirmed)
{
    auto window = open();
    auto& model = *session->viewModel();
    test::testAccess(model).setRows({test::CaptureSessionKit::row(1, true), test::CaptureSessionKit::row(2, false),
                   test::CaptureSessionKit::row(3, false)});
    test::testAccess(model).setImportError("failed");

    window->confirmNewBatch();
    ASSERT_EQ(prompter.shown.size(), 1u);
    const AlertSpec& alert = prompter.shown.back();
    EXPECT_EQ(alert.title, "Discard 3 rows?");
    EXPECT_EQ(alert.look, AlertSpec::Look::warning);
    ASSERT_EQ(alert.buttons.size(), 2u);
    EXPECT_EQ(alert.buttons[0].text, "Cancel");
    EXPECT_EQ(alert.buttons[0].role, AlertSpec::Role::cancel);
    EXPECT_EQ(alert.buttons[1].role, AlertSpec::Role::destructive);
    ASSERT_TRUE(prompter.answer("Cancel"));
    EXPECT_EQ(model.rows().size(), 3u);

    window->confirmNewBatch();
    // The window closes while the alert is up; the answer still reaches the batch safely.
    window.reset();
    ASSERT_TRUE(prompter.answer("Discard"));
    EXPECT_TRUE(model.rows().empty());
    EXPECT_EQ(model.importError(), std::nullopt);
}

TEST_F(CaptureWindowStateTest, ImportAlertsRunTheChosenAction)
{
    auto window = open();
    int imports = 0, switches = 0;
    window->confirmImport("Import 3 cards?", [&] { ++imports; });
    EXPECT_EQ(prompter.shown.back().title, "Import to Vantry?");
    EXPECT_EQ(prompter.shown.back().message, "Import 3 cards?");
    // The routine confirmation carries no warning; the one that adds instead of replacing does.
    EXPECT_EQ(prompter.shown.back().look, AlertSpec::Look::routine);
    prompter.answer("Import");
    EXPECT_EQ(imports, 1);

    window->warnSplitChildImport("warning", [&] { ++switches; }, [&] { ++imports; });
    const AlertSpec& warning = prompter.shown.back();
    EXPECT_EQ(warning.title, "Recount is off");
    ASSERT_EQ(warning.buttons.size(), 3u);
    EXPECT_EQ(warning.buttons[0].text, "Cancel");
    EXPECT_EQ(warning.buttons[1].text, "Switch to Recount");
    EXPECT_EQ(warning.buttons[2].text, "Import anyway");
    EXPECT_EQ(warning.buttons[2].role, AlertSpec::Role::destructive);
    EXPECT_EQ(warning.look, AlertSpec::Look::warning);
    prompter.answer("Switch to Recount");
    prompter.answer("Import anyway");
    EXPECT_EQ(switches, 1);
    EXPECT_EQ(imports, 2);
}

} // namespace
} // namespace vantry
