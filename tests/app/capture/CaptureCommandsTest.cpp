#include "app/capture/CaptureCommands.h"

#include "app/batch/BatchSession.h"
#include "app/batch/ImportTexts.h"
#include "app/capture/CaptureCommandTexts.h"
#include "app/capture/CaptureWindowState.h"
#include "app/scanner/ScannerController.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "core/intake/DirectScanGuidance.h"
#include "core/intake/FolderWatcher.h"
#include "platform/FakeDiskSpace.h"
#include "platform/FakePreferenceDomains.h"
#include "platform/FakeScannerDevice.h"
#include "platform/SaneScannerBrowser.h"
#include "support/CaptureSessionKit.h"
#include "support/FakeFolderPicker.h"
#include "support/SaneTestBackend.h"
#include "support/SyntheticScan.h"
#include "support/TempHome.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace vantry {
namespace {

using namespace std::chrono_literals;
namespace Texts = CaptureCommandTexts;

// A card with recognition marker `n`, as a scanner page.
QImage cardPage(int n)
{
    test::SyntheticCard card = test::SyntheticCard::modern(QStringLiteral("Card %1").arg(n), QStringLiteral("TST"),
                                                           QString::number(n));
    card.dpi = 150;
    card.marker = n;
    return test::renderSyntheticScan(card);
}

QCoro::Task<> track(QCoro::Task<> task, std::shared_ptr<bool> done)
{
    co_await std::move(task);
    *done = true;
}

class CaptureCommandsTest : public ::testing::Test {
protected:
    test::TempHome home;
    test::CaptureSessionKit kit;
    FakePreferenceDomains preferences;
    test::FakeAlertPrompter prompter;
    std::shared_ptr<test::FakeFolderPicker> picker = std::make_shared<test::FakeFolderPicker>();
    std::shared_ptr<FakeDiskSpace> disk = std::make_shared<FakeDiskSpace>();
    QDateTime clock = QDateTime(QDate(2026, 3, 1), QTime(9, 0, 5));
    std::vector<std::shared_ptr<BatchSession>> tabs{kit.make()};
    std::vector<std::unique_ptr<CaptureWindowState>> windows;
    std::vector<QCoro::Task<>> running;

    SettingsStore& settings() { return *SettingsStore::standard(); }
    QString dir(const QString& name) const
    {
        const QString path = home.file(name);
        QDir().mkpath(path);
        return path;
    }

    // The window of tab `i`, with the other tabs' folders as the store gives them.
    CaptureWindowState& open(std::size_t i = 0)
    {
        CaptureWindowState::Services services{SettingsStore::standard(), &kit.scheduler, &preferences, &prompter,
                                              [this] { return clock; }};
        services.folderPicker = picker;
        services.diskSpace = disk;
        services.picturesFolder = [this] { return home.file(QStringLiteral("Pictures")); };
        services.otherTabFolders = [this, i] {
            QStringList folders;
            for (std::size_t t = 0; t < tabs.size(); ++t)
                if (t != i && !tabs[t]->scanFolderPath().isEmpty())
                    folders << tabs[t]->scanFolderPath();
            return folders;
        };
        windows.push_back(std::make_unique<CaptureWindowState>(*tabs[i], std::move(services)));
        return *windows.back();
    }

    std::shared_ptr<bool> start(QCoro::Task<> task)
    {
        auto done = std::make_shared<bool>(false);
        running.push_back(track(std::move(task), done));
        return done;
    }

    // Moves virtual time and the watcher on until `until` holds (real work: sharpening, hashing, ingest).
    bool drive(BatchSession& tab, const std::function<bool()>& until, int rounds = 200)
    {
        for (int i = 0; i < rounds; ++i) {
            kit.scheduler.advance(500ms);
            tab.watcher().tick();
            if (QTest::qWaitFor(until, 25))
                return true;
        }
        return until();
    }

    std::shared_ptr<FakeScannerDevice> plugIn(BatchSession& tab, FakeScannerDevice::Script script = {})
    {
        auto device = std::make_shared<FakeScannerDevice>(std::move(script), kit.scheduler);
        kit.browserOf.at(&tab.scanner())->addDevice(device);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !tab.scanner().devices().isEmpty(); }, 2000));
        return device;
    }

    const CaptureViewModel& model(std::size_t i = 0) const { return *tabs[i]->viewModel(); }
};

// The direct scan writes pages into the folder; the watcher takes each in once and each
// becomes a row. The scan runs at the resolution the settings ask for.
TEST_F(CaptureCommandsTest, DirectScanPagesArriveOnceEachAndBecomeRows)
{
    settings().setInteger(SettingsKeys::scanResolutionDpi, 420);
    tabs[0]->setScanFolderPath(dir("B1"));
    CaptureWindowState& window = open();
    FakeScannerDevice::Script script;
    script.pages = 5;
    script.resolutions = {240, 300, 400, 500, 600};
    script.pageImage = cardPage;
    auto device = plugIn(*tabs[0], script);

    const auto done = start(window.commands().runDirectScan());
    ASSERT_TRUE(drive(*tabs[0], [&] { return *done && model().rows().size() >= 5 && !model().isWorking(); }))
        << model().rows().size() << " rows, status: " << model().statusMessage().toStdString();
    for (int i = 0; i < 6; ++i) // later polls find nothing more
        drive(*tabs[0], [] { return false; }, 1);

    ASSERT_EQ(device->scanRequests.size(), 1);
    EXPECT_EQ(device->scanRequests[0].resolution, 400);
    EXPECT_EQ(device->scanRequests[0].downloadsDirectory, home.file("B1"));
    EXPECT_TRUE(tabs[0]->watcher().isWatching());
    std::set<QString> names, fronts;
    for (const auto& row : model().rows()) {
        if (!row.candidates.empty())
            names.insert(row.candidates.front().name);
        fronts.insert(QFileInfo(row.card.front).fileName());
    }
    EXPECT_EQ(model().rows().size(), 5u);
    EXPECT_EQ(names, (std::set<QString>{"Card 1", "Card 2", "Card 3", "Card 4", "Card 5"}));
    EXPECT_EQ(fronts.size(), 5u);
    EXPECT_EQ(window.commands().directScanEmptyStreak(), 0);
}

// Duplex switched while the folder is watched: a direct scan's pages are paired as that scan
// read the setting, whatever the watcher started with.
TEST_F(CaptureCommandsTest, DuplexSwitchedWhileWatchingPairsTheScanAsScanned)
{
    struct Case {
        bool duplexWhenWatching;
        bool duplexWhenScanning;
        QStringList cards;
    };
    const std::vector<Case> cases = {
        {false, true, {"card_0001/card_0002", "card_0003/card_0004"}},
        {true, false, {"card_0001", "card_0002", "card_0003", "card_0004"}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        tabs.push_back(kit.make());
        BatchSession& tab = *tabs.back();
        const CaptureViewModel& vm = *tab.viewModel();
        tab.setScanFolderPath(dir(QStringLiteral("D%1").arg(i)));
        settings().setBoolean(SettingsKeys::duplex, c.duplexWhenWatching);
        CaptureWindowState& window = open(tabs.size() - 1);
        const auto watching = start(window.commands().toggleWatch());
        ASSERT_TRUE(*watching && tab.watcher().isWatching());
        settings().setBoolean(SettingsKeys::duplex, c.duplexWhenScanning);

        FakeScannerDevice::Script script;
        script.pages = 4;
        script.pageNames = {"card_0001.png", "card_0002.png", "card_0003.png", "card_0004.png"};
        script.pageImage = cardPage;
        auto device = plugIn(tab, script);
        const auto done = start(window.commands().runDirectScan());
        ASSERT_TRUE(drive(tab, [&] { return *done && vm.rows().size() >= std::size_t(c.cards.size()) && !vm.isWorking(); }))
            << vm.rows().size() << " rows";
        for (int t = 0; t < 6; ++t) // later polls bring nothing more
            drive(tab, [] { return false; }, 1);

        ASSERT_EQ(device->scanRequests.size(), 1);
        EXPECT_EQ(device->scanRequests[0].duplex, c.duplexWhenScanning);
        QStringList cards;
        for (const auto& row : vm.rows())
            cards << QFileInfo(row.card.front).baseName() +
                         (row.card.back ? "/" + QFileInfo(*row.card.back).baseName() : QString());
        cards.sort(); // pages finished one by one are separate batches, ingested side by side
        EXPECT_EQ(cards.join(' ').toStdString(), c.cards.join(' ').toStdString());
        tab.watcher().stop();
    }
}

// One sequence of runs: what each leaves in the status line and the streak.
TEST_F(CaptureCommandsTest, EmptyRunsStreakLowDiskAndPartialRuns)
{
    tabs[0]->setScanFolderPath(dir("B1"));
    CaptureWindowState& window = open();
    auto device = plugIn(*tabs[0]);
    const qint64 roomy = 5'000'000'000, low = 999'999'999;
    struct Run {
        const char* what;
        int pages;
        qint64 free;
        std::optional<ScannerDeviceError> failure;
        int streak;
        QString status;
    };
    const ScannerDeviceError jam{-9, QStringLiteral("Paper jam.")};
    const Run runs[] = {
        {"empty", 0, roomy, std::nullopt, 1, DirectScanGuidance::emptyScanMessage(1)},
        {"empty again", 0, roomy, std::nullopt, 2, DirectScanGuidance::emptyScanMessage(2)},
        {"empty on a low disk", 0, low, std::nullopt, 3, DirectScanGuidance::lowDiskMessage(low)},
        {"failed with no page", 0, roomy, jam, 4, DirectScanGuidance::emptyScanMessage(4)},
        // Runs that bring pages leave the status to the rows' ingest.
        {"pages on a low disk", 2, low, std::nullopt, 0, {}},
        {"jammed after pages", 2, roomy, jam, 0, {}},
        {"empty after pages", 0, roomy, std::nullopt, 1, DirectScanGuidance::emptyScanMessage(1)},
    };
    int marker = 0;
    std::size_t pagesKept = 0;
    for (const Run& run : runs) {
        device->script().pages = run.pages;
        device->script().completionError = run.failure;
        device->script().pageImage = [&marker](int) { return cardPage(++marker); };
        disk->bytes = run.free;
        const auto done = start(window.commands().runDirectScan());
        ASSERT_TRUE(drive(*tabs[0], [&] { return *done; })) << run.what;
        EXPECT_EQ(window.commands().directScanEmptyStreak(), run.streak) << run.what;
        if (!run.status.isEmpty())
            EXPECT_EQ(model().statusMessage(), run.status) << run.what;
        // The kept pages' ingest ends before the next run, or its status could land after that run's.
        pagesKept += static_cast<std::size_t>(run.pages);
        ASSERT_TRUE(drive(*tabs[0], [&] { return model().rows().size() == pagesKept && !model().isWorking(); }))
            << run.what;
    }
    // The four pages kept became rows (the process must not end under their ingest).
    EXPECT_TRUE(drive(*tabs[0], [&] { return model().rows().size() == 4 && !model().isWorking(); }));
    // Only the jam after pages stopped a scan part-way; it is said where the rows cannot hide it.
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("Scan stopped early"));
    EXPECT_EQ(prompter.shown[0].message, Texts::partialScanStatus(QStringLiteral("Scan failed: Paper jam."), 2));
}

TEST_F(CaptureCommandsTest, ScanWithoutScannerOrFolderSaysWhatIsMissing)
{
    QFile blocker(home.file("Pictures"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // no folder can be made under a file
    blocker.close();
    CaptureWindowState& window = open();
    const auto done = start(window.commands().runDirectScan());
    ASSERT_TRUE(*done);
    EXPECT_EQ(model().statusMessage(), Texts::noScanFolderStatus());
    EXPECT_TRUE(tabs[0]->scanFolderPath().isEmpty());

    QFile::remove(home.file("Pictures"));
    const auto second = start(window.commands().runDirectScan());
    ASSERT_TRUE(*second);
    EXPECT_EQ(model().statusMessage(), Texts::noScannerStatus());
    // The default folder was made and chosen, but nothing watches without a scanner.
    EXPECT_EQ(tabs[0]->scanFolderPath(), home.file("Pictures/Vantry Captures"));
    EXPECT_FALSE(tabs[0]->watcher().isWatching());
    EXPECT_EQ(settings().string(SettingsKeys::scanFolder), home.file("Pictures/Vantry Captures"));
}

// The folder rules as sequences of user actions over two open tabs.
TEST_F(CaptureCommandsTest, FolderRulesAcrossTabs)
{
    enum class Op { choose, watch, pause, scan, scanStarts, scanEnds, newBatchRow };
    struct Step {
        Op op;
        QString folder = {}; // the picker's answer for choose/watch
        QString status = {}; // the status right after the step; "" to skip
    };
    struct Case {
        const char* what;
        QString otherTab;     // scan folder of the other open tab
        QString storedFolder; // "vy.scanFolder"
        std::vector<Step> steps;
        QString folder;       // the tab's scan folder after the steps
        bool watching;
        bool paused;
        QString status;       // "" to skip
        int rows = -1;        // the batch's rows after the steps; -1 to skip
    };
    const QString b1 = dir("B1"), b2 = dir("B2"), defaults = home.file("Pictures/Vantry Captures");
    const Case cases[] = {
        {"scan with nothing chosen makes the default folder", "", "", {{Op::scan}}, defaults, true, false, ""},
        {"new tab never adopts the other tab's stored folder", b1, b1, {{Op::scan}}, defaults, true, false, ""},
        {"default folder of the other tab is numbered on", defaults, "", {{Op::scan}},
         home.file("Pictures/Vantry Captures 2"), true, false, ""},
        {"stored folder of no other tab is used", b2, b1, {{Op::scan}}, b1, true, false, ""},
        {"choosing the other tab's folder is refused", b1, "", {{Op::choose, b1}}, "", false, false,
         Texts::folderOfAnotherTabStatus("B1")},
        {"watching follows a newly chosen folder", "", "", {{Op::watch, b1}, {Op::choose, b2}}, b2, true, false, ""},
        {"a paused watcher follows paused", "", "", {{Op::watch, b1}, {Op::pause}, {Op::choose, b2}}, b2, true, true,
         ""},
        {"watch then stop", "", "", {{Op::watch, b1}, {Op::watch}}, b1, false, false, Texts::stoppedWatchingStatus()},
        {"cancelled picker changes nothing", "", "", {{Op::watch, QString()}}, "", false, false, ""},
        // The watcher must stay where the scanner writes, or the scan's pages never reach the batch.
        {"the folder stays while the scanner writes into it", "", "",
         {{Op::choose, b1}, {Op::scanStarts}, {Op::choose, b2, Texts::scanFolderLockedStatus("B1")}, {Op::scanEnds},
          {Op::choose, b2}},
         b2, true, false, "", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        windows.clear();
        tabs = {kit.make(), kit.make(c.otherTab)};
        if (c.storedFolder.isEmpty())
            settings().remove(SettingsKeys::scanFolder);
        else
            settings().setString(SettingsKeys::scanFolder, c.storedFolder);
        CaptureWindowState& window = open(0);
        auto device = plugIn(*tabs[0]);
        std::shared_ptr<bool> scanDone;
        for (const Step& step : c.steps) {
            std::shared_ptr<bool> done;
            switch (step.op) {
            case Op::choose:
                picker->answer(step.folder);
                done = start(window.commands().chooseScanFolder());
                break;
            case Op::watch:
                if (!tabs[0]->watcher().isWatching())
                    picker->answer(step.folder.isEmpty() ? std::nullopt : std::optional<QString>(step.folder));
                done = start(window.commands().toggleWatch());
                break;
            case Op::pause:
                window.commands().toggleWatcherPause();
                done = std::make_shared<bool>(true);
                break;
            case Op::scan:
                done = start(window.commands().runDirectScan());
                break;
            case Op::scanStarts: // three different cards, one a second
                device->script().pageImage = cardPage;
                scanDone = start(window.commands().runDirectScan());
                ASSERT_TRUE(drive(*tabs[0], [&] { return tabs[0]->scanner().isScanning(); }));
                done = std::make_shared<bool>(true);
                break;
            case Op::scanEnds: // and its pages are rows
                ASSERT_TRUE(drive(*tabs[0], [&] {
                    return *scanDone && int(model().rows().size()) >= device->script().pages && !model().isWorking();
                }));
                done = std::make_shared<bool>(true);
                break;
            case Op::newBatchRow:
                done = std::make_shared<bool>(true);
                break;
            }
            ASSERT_TRUE(drive(*tabs[0], [&] { return *done; }));
            if (!step.status.isEmpty())
                EXPECT_EQ(model().statusMessage(), step.status);
        }
        picker->answers.clear();
        EXPECT_EQ(tabs[0]->scanFolderPath(), c.folder);
        EXPECT_EQ(tabs[0]->watcher().isWatching(), c.watching);
        if (c.watching)
            EXPECT_EQ(tabs[0]->watcher().folder(), c.folder);
        EXPECT_EQ(tabs[0]->watcher().isPaused(), c.paused);
        if (!c.status.isEmpty())
            EXPECT_EQ(model().statusMessage(), c.status);
        if (c.rows >= 0) {
            EXPECT_TRUE(drive(*tabs[0], [&] { return int(model().rows().size()) >= c.rows && !model().isWorking(); }));
            EXPECT_EQ(int(model().rows().size()), c.rows);
        }
        EXPECT_EQ(tabs[1]->scanFolderPath(), c.otherTab); // the other tab keeps its folder
        tabs[0]->watcher().stop(); // pages of a scan still in hand end here, not under the next case
        EXPECT_TRUE(QTest::qWaitFor([&] { return !model().isWorking(); }, 10000));
    }
}

// Watch Folder and Import Folder on a batch that has rows add to it.
TEST_F(CaptureCommandsTest, WatchAndImportFolderAddToABatchWithRows)
{
    const QString b1 = dir("B1");
    ASSERT_TRUE(cardPage(1).save(b1 + "/card_0001.png"));
    ASSERT_TRUE(cardPage(2).save(b1 + "/card_0002.png"));
    auto vm = tabs[0]->viewModel();
    test::testAccess(*vm).setRows({test::CaptureSessionKit::row(90, true)});
    CaptureWindowState& window = open();

    picker->answer(b1);
    const auto watched = start(window.commands().toggleWatch());
    ASSERT_TRUE(drive(*tabs[0], [&] { return *watched && vm->rows().size() == 3 && !vm->isWorking(); }));
    EXPECT_EQ(vm->rows().front().card.index, 90); // kept
    // The files were there before watching: the watcher itself never hands them over again.
    for (int i = 0; i < 6; ++i)
        drive(*tabs[0], [] { return false; }, 1);
    EXPECT_EQ(vm->rows().size(), 3u);

    // Importing the same folder again adds nothing twice; another folder's page joins the rows.
    const auto again = start(window.commands().importFolder());
    ASSERT_TRUE(drive(*tabs[0], [&] { return *again && !vm->isWorking(); }));
    EXPECT_EQ(vm->rows().size(), 3u);
    const QString b2 = dir("B2");
    ASSERT_TRUE(cardPage(3).save(b2 + "/card_0001.png"));
    tabs[0]->setScanFolderPath(b2);
    const auto imported = start(window.commands().importFolder());
    ASSERT_TRUE(drive(*tabs[0], [&] { return *imported && !vm->isWorking(); }));
    EXPECT_EQ(vm->rows().size(), 4u);
}

// Clear Folder moves the images away and the rows follow them; never while the scanner writes.
TEST_F(CaptureCommandsTest, ClearFolderRepointsRowsAndWaitsForTheScanner)
{
    const QString b1 = dir("B1");
    ASSERT_TRUE(cardPage(1).save(b1 + "/card_0001.png"));
    ASSERT_TRUE(cardPage(2).save(b1 + "/card_0002.png"));
    tabs[0]->setScanFolderPath(b1);
    CaptureWindowState& window = open();
    auto vm = tabs[0]->viewModel();
    auto row = test::CaptureSessionKit::row(1, true);
    row.card.front = b1 + "/card_0001.png";
    row.card.back = b1 + "/card_0002.png";
    auto elsewhere = test::CaptureSessionKit::row(2, false);
    test::testAccess(*vm).setRows({row, elsewhere});

    // While a direct scan runs the folder stays as it is.
    FakeScannerDevice::Script slow;
    slow.firstPageDelay = 20s;
    plugIn(*tabs[0], slow);
    const auto scan = start(window.commands().runDirectScan());
    QCoreApplication::processEvents();
    ASSERT_TRUE(window.commands().isScanning());
    EXPECT_FALSE(window.commands().canClearFolder());
    window.commands().archiveCurrentFolder();
    EXPECT_TRUE(QFile::exists(b1 + "/card_0001.png"));
    window.commands().cancelScan();
    ASSERT_TRUE(drive(*tabs[0], [&] { return *scan; }));
    EXPECT_EQ(vm->statusMessage(), Texts::scanCanceledStatus()); // a cancel is no empty run
    EXPECT_EQ(window.commands().directScanEmptyStreak(), 0);
    tabs[0]->watcher().stop();

    // The confirmed row is not imported yet: Clear Folder asks first and says where its scans go.
    ASSERT_TRUE(window.commands().canClearFolder());
    window.commands().archiveCurrentFolder();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown.back().name, "clearFolderAlert");
    EXPECT_TRUE(prompter.shown.back().message.contains("B1/Archived-20260301-090005"));
    ASSERT_TRUE(prompter.answer("Cancel"));
    EXPECT_TRUE(QFile::exists(b1 + "/card_0001.png"));
    window.commands().archiveCurrentFolder();
    ASSERT_TRUE(prompter.answer("Clear Folder"));
    const QString archive = b1 + "/Archived-20260301-090005";
    EXPECT_EQ(vm->rows()[0].card.front, archive + "/card_0001.png");
    EXPECT_EQ(vm->rows()[0].card.back, archive + "/card_0002.png");
    EXPECT_EQ(vm->rows()[1].card.front, elsewhere.card.front);
    EXPECT_TRUE(QFile::exists(archive + "/card_0001.png"));
    EXPECT_EQ(vm->toast(), Texts::archivedToast(2, "B1", "20260301-090005"));

    // No scan of a confirmed row is left in the folder: no question.
    window.commands().archiveCurrentFolder();
    EXPECT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(vm->statusMessage(), QStringLiteral("B1 is already empty."));
}

// The import and recount bins follow the folder's name until the user types their own.
TEST_F(CaptureCommandsTest, BinsFollowTheFolderUntilTyped)
{
    const QString parent = dir("B0001"), child = dir("B0001/B0001a"), other = dir("C7");
    settings().setString(SettingsKeys::binPrefix, QStringLiteral("q"));
    auto vm = tabs[0]->viewModel();
    CaptureWindowState& window = open();
    EXPECT_EQ(vm->bin(), QStringLiteral("Q")); // no folder: the bin prefix

    tabs[0]->setScanFolderPath(child);
    EXPECT_EQ(vm->bin(), QStringLiteral("B0001a"));
    test::testAccess(*vm).setReplaceMode(true);
    EXPECT_EQ(vm->recount()->replaceBinsText(), QStringLiteral("B0001")); // the split's old bin
    tabs[0]->setScanFolderPath(other);
    EXPECT_EQ(vm->bin(), QStringLiteral("C7"));
    EXPECT_EQ(vm->recount()->replaceBinsText(), QStringLiteral("C7"));

    test::testAccess(*vm).setBin(QStringLiteral("MINE"));
    test::testAccess(*vm).setReplaceBinsText(QStringLiteral("OLD"));
    tabs[0]->setScanFolderPath(parent);
    EXPECT_EQ(vm->bin(), QStringLiteral("MINE"));
    EXPECT_EQ(vm->recount()->replaceBinsText(), QStringLiteral("OLD"));
    EXPECT_EQ(settings().string(SettingsKeys::scanFolder), parent);
    (void)window;
}

// The old bin the recount screen suggests comes from the scan folder: the parent of a split.
TEST_F(CaptureCommandsTest, SuggestedOldBinComesFromTheScanFolder)
{
    struct Case {
        const char* what;
        QString folder;
        std::optional<QString> suggested;
    };
    const Case cases[] = {
        {"no scan folder", "", std::nullopt},
        {"a bin's folder", dir("C7"), "C7"},
        {"a split of a bin", dir("B0001/B0001a"), "B0001"},
        {"a folder inside a bin that is no split", dir("B0001/Extra"), "Extra"},
    };
    CaptureWindowState& window = open();
    for (const Case& c : cases) {
        tabs[0]->setScanFolderPath(c.folder);
        EXPECT_EQ(window.commands().suggestedReplaceBin(), c.suggested) << c.what;
    }
}

// Import asks first; a split-child folder with recount off warns and offers recount.
TEST_F(CaptureCommandsTest, ImportAlertsAndSwitchingToRecount)
{
    const QString child = dir("B0001/B0001a");
    tabs[0]->setScanFolderPath(child);
    settings().setString(SettingsKeys::workspaceId, "ws-1");
    settings().setString(SettingsKeys::workspaceName, "Main shop");
    CaptureWindowState& window = open();
    auto vm = tabs[0]->viewModel();
    test::testAccess(*vm).setRows({test::CaptureSessionKit::row(1, true), test::CaptureSessionKit::row(2, true),
                 test::CaptureSessionKit::row(3, false)});

    window.commands().requestNormalImport();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown.back().title, QStringLiteral("Recount is off"));
    EXPECT_EQ(prompter.shown.back().message, Texts::splitChildWarningMessage(
                                                 SplitChildBinSuggestion{"B0001", "B0001a"}, "B0001a"));
    ASSERT_TRUE(prompter.answer(QStringLiteral("Switch to Recount")));
    EXPECT_TRUE(vm->recount()->replaceMode());
    EXPECT_EQ(vm->recount()->replaceBinsText(), QStringLiteral("B0001"));

    window.commands().requestNormalImport(); // in recount mode: the plain confirmation
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown.back().title, QStringLiteral("Import to Vantry?"));
    EXPECT_EQ(prompter.shown.back().message,
              QStringLiteral("2 cards (2 distinct printings) → Main shop, bin B0001a."));
    EXPECT_EQ(window.commands().destinationLabel(), QStringLiteral("→ Main shop"));
}

// Without a workspace, and nobody signed in to default one, the import is blocked as the import
// itself blocks, without a question and without the split-child warning.
TEST_F(CaptureCommandsTest, ImportWithoutAWorkspaceIsBlockedWithoutAQuestion)
{
    tabs[0]->setScanFolderPath(dir("B0001/B0001a"));
    CaptureWindowState& window = open();
    auto vm = tabs[0]->viewModel();
    test::testAccess(*vm).setRows({test::CaptureSessionKit::row(1, true)});
    EXPECT_EQ(window.commands().destinationLabel(), QStringLiteral("→ personal inventory"));

    window.commands().requestNormalImport();
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(window.commands().isResolvingWorkspace());
    EXPECT_EQ(vm->importError(), ImportTexts::noWorkspace());
    EXPECT_EQ(vm->statusMessage(), ImportTexts::noWorkspaceStatus());
    EXPECT_FALSE(vm->isImporting());
    EXPECT_EQ(vm->rows().size(), 1u);
}

// The workspace changed while the question stood: it is asked again, naming the new one.
TEST_F(CaptureCommandsTest, AQuestionWhoseWorkspaceChangedIsAskedAgain)
{
    settings().setString(SettingsKeys::workspaceId, "ws-1");
    settings().setString(SettingsKeys::workspaceName, "Main shop");
    CaptureWindowState& window = open();
    auto vm = tabs[0]->viewModel();
    test::testAccess(*vm).setRows({test::CaptureSessionKit::row(1, true)});
    window.commands().requestNormalImport();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown.back().message.contains("→ Main shop"));

    settings().setString(SettingsKeys::workspaceId, "ws-2");
    settings().setString(SettingsKeys::workspaceName, "Back room");
    ASSERT_TRUE(prompter.answer("Import"));
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_TRUE(prompter.shown.back().message.contains("→ Back room")) << prompter.shown.back().message.toStdString();
    EXPECT_FALSE(vm->isImporting());
}

// A watched folder that goes away says so, and says so again when it is back.
TEST_F(CaptureCommandsTest, AnUnreadableWatchedFolderGivesAClearStatus)
{
    const QString b1 = dir("B1");
    tabs[0]->setScanFolderPath(b1);
    CaptureWindowState& window = open();
    const auto watched = start(window.commands().toggleWatch());
    ASSERT_TRUE(*watched);
    ASSERT_TRUE(QDir(b1).removeRecursively());
    tabs[0]->watcher().tick();
    EXPECT_EQ(model().statusMessage(), Texts::unlistableFolderStatus("B1"));
    QDir().mkpath(b1);
    tabs[0]->watcher().tick();
    EXPECT_EQ(model().statusMessage(), Texts::watchingStatus("B1", 0));

    // A window opened on a tab whose folder is gone says it at once.
    QDir(b1).removeRecursively();
    tabs[0]->watcher().tick();
    windows.clear();
    test::testAccess(*tabs[0]->viewModel()).setStatusMessage(QString());
    open();
    EXPECT_EQ(model().statusMessage(), Texts::unlistableFolderStatus("B1"));
}

// With SANE's "test" backend: differing pages each become one row.
TEST_F(CaptureCommandsTest, DirectScanWithTheSaneTestBackend)
{
    test::SaneTestBackend backend({{QStringLiteral("scan-source"), QStringLiteral("Flatbed")}});
    const QByteArray pictures[] = {"Solid black", "Solid white", "Color pattern", "Grid"};
    SaneScannerBrowser::Options options;
    options.pollInterval = 50ms;
    options.pageOptions = [pictures](int page) -> QList<QPair<QByteArray, QByteArray>> {
        if (page > 4)
            return {{"read-return-value", "SANE_STATUS_NO_DOCS"}};
        return {{"test-picture", pictures[page - 1]}};
    };
    auto scanner = std::make_unique<ScannerController>(
        [options]() -> std::unique_ptr<ScannerBrowser> { return std::make_unique<SaneScannerBrowser>(options); });
    tabs = {kit.make(dir("S1"), std::move(scanner))};
    settings().setInteger(SettingsKeys::scanResolutionDpi, 240);
    CaptureWindowState& window = open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tabs[0]->scanner().devices().isEmpty(); }, 5000));

    const auto done = start(window.commands().runDirectScan());
    ASSERT_TRUE(drive(*tabs[0], [&] { return *done && model().rows().size() >= 4 && !model().isWorking(); }, 400))
        << model().rows().size() << " rows, status: " << model().statusMessage().toStdString();
    for (int i = 0; i < 6; ++i)
        drive(*tabs[0], [] { return false; }, 1);
    EXPECT_EQ(model().rows().size(), 4u);
    std::set<QString> fronts;
    for (const auto& row : model().rows())
        fronts.insert(QFileInfo(row.card.front).fileName());
    EXPECT_EQ(fronts, (std::set<QString>{"card_0001.png", "card_0002.png", "card_0003.png", "card_0004.png"}));
    EXPECT_EQ(window.commands().directScanEmptyStreak(), 0);
}

} // namespace
} // namespace vantry
