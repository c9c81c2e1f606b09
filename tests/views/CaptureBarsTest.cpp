#include "app/batch/BatchSession.h"
#include "app/capture/CaptureCommands.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "views/CaptureFooter.h"
#include "views/CaptureToolbar.h"
#include "views/CaptureView.h"
#include "views/CaptureWatcherStatusBar.h"
#include "core/intake/FolderWatcher.h"
#include "core/records/ImportLedgerStore.h"
#include "platform/FakeFileRevealer.h"
#include "platform/FakePreferenceDomains.h"
#include "platform/FakeSavePanel.h"
#include "support/CaptureSessionKit.h"
#include "support/SyntheticScan.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

#include <unistd.h>

namespace vantry {
namespace {

using test::CaptureSessionKit;

void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

class CaptureBarsTest : public ::testing::Test {
protected:
    test::TempHome home;
    CaptureSessionKit kit;
    FakePreferenceDomains preferences;
    test::FakeAlertPrompter prompter;
    std::shared_ptr<BatchSession> session = kit.make(home.file("B0007"));
    CaptureViewModel& model = *session->viewModel();
    QDateTime clock = QDateTime::fromMSecsSinceEpoch(1'800'000'000'000);
    std::shared_ptr<FakeSavePanel> panel = std::make_shared<FakeSavePanel>(home.file("export.csv"));
    std::shared_ptr<FakeFileRevealer> revealer = std::make_shared<FakeFileRevealer>();

    std::unique_ptr<CaptureView> open()
    {
        CaptureWindowState::Services services{SettingsStore::standard(), &kit.scheduler, &preferences, &prompter,
                                              [this] { return clock; }};
        services.savePanel = panel;
        services.revealer = revealer;
        auto view = std::make_unique<CaptureView>(*session, std::move(services));
        view->resize(1000, 700);
        view->show();
        settle();
        return view;
    }
    template <class T = QWidget>
    static T* child(CaptureView& view, const char* name)
    {
        auto* widget = view.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
};

TEST_F(CaptureBarsTest, ToolbarFollowsTheBatchAndItsTogglesWriteWhereTheyBelong)
{
    auto view = open();
    auto* importFolder = child<QPushButton>(*view, "importFolderButton");
    auto* newBatch = child<QPushButton>(*view, "newBatchButton");
    auto* progress = child<QProgressBar>(*view, "toolbarProgress");
    EXPECT_EQ(child<QPushButton>(*view, "scanFolderButton")->text(), "B0007");
    EXPECT_FALSE(newBatch->isEnabled()); // empty batch
    EXPECT_FALSE(progress->isVisible());
    EXPECT_FALSE(child<QPushButton>(*view, "pauseButton")->isVisible());
    for (QWidget* w : view->findChild<CaptureToolbar*>()->findChildren<QWidget*>()) {
        if (qobject_cast<QPushButton*>(w) || qobject_cast<QCheckBox*>(w))
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
    }

    test::testAccess(model).setRows({CaptureSessionKit::row(1, true)});
    test::testAccess(model).setIsWorking(true);
    test::testAccess(model).setProgress(CaptureViewModel::Progress{3, 8});
    settle();
    EXPECT_FALSE(importFolder->isEnabled());
    EXPECT_EQ(importFolder->toolTip(), "Wait until the scans being read are done.");
    EXPECT_FALSE(newBatch->isEnabled());
    ASSERT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->value(), 3);
    EXPECT_EQ(progress->maximum(), 8);

    test::testAccess(model).setIsWorking(false);
    test::testAccess(model).setProgress(std::nullopt);
    settle();
    EXPECT_TRUE(newBatch->isEnabled());
    EXPECT_FALSE(progress->isVisible());
    QTest::mouseClick(newBatch, Qt::LeftButton);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.answer("Discard"));
    EXPECT_TRUE(model.rows().empty());

    auto* recount = child<QCheckBox>(*view, "recountToggle");
    recount->click();
    EXPECT_TRUE(model.recount()->replaceMode());
    test::testAccess(model).setReplaceMode(false);
    settle();
    EXPECT_FALSE(recount->isChecked());

    auto* duplex = child<QCheckBox>(*view, "duplexToggle");
    const bool before = SettingsStore::standard()->boolean(SettingsKeys::duplex);
    duplex->click();
    EXPECT_EQ(SettingsStore::standard()->boolean(SettingsKeys::duplex), !before);
}

// While scans are read the toolbar counts them beside the bar and the status line never reads "Ready".
TEST_F(CaptureBarsTest, WhileScansAreReadTheCountStandsBesideTheBarAndTheStatusSaysSo)
{
    auto view = open();
    auto* count = child<QLabel>(*view, "toolbarProgressCount");
    auto* status = child<QLabel>(*view, "statusLine");
    EXPECT_FALSE(count->isVisible());
    EXPECT_EQ(status->text(), "Ready");

    test::testAccess(model).setIsWorking(true);
    settle();
    EXPECT_EQ(status->text(), "Reading scans…");
    test::testAccess(model).setProgress(CaptureViewModel::Progress{12, 120});
    settle();
    ASSERT_TRUE(count->isVisible());
    EXPECT_EQ(count->text(), "12 of 120");
    auto* progress = child<QProgressBar>(*view, "toolbarProgress");
    // Beside the bar: on its row, just before it.
    EXPECT_LT(count->geometry().right(), progress->geometry().left());
    EXPECT_LT(std::abs(count->geometry().center().y() - progress->geometry().center().y()), 8);
    test::testAccess(model).setStatusMessage("Reading 120 scans…");
    settle();
    EXPECT_EQ(status->text(), "Reading 120 scans…");

    test::testAccess(model).setProgress(std::nullopt);
    test::testAccess(model).setIsWorking(false);
    test::testAccess(model).setStatusMessage("");
    settle();
    EXPECT_FALSE(count->isVisible());
    EXPECT_EQ(status->text(), "Ready");
}

// A folder whose scans were all imported before says so in the status line and where the list
// would be, in the capture window and on the recount screen alike.
TEST_F(CaptureBarsTest, AFolderImportedBeforeSaysNothingNewInsteadOfAnEmptyList)
{
    const QString folder = home.file("B0007");
    ImportLedgerStore::resetForTesting();
    for (int i = 0; i < 2; ++i) {
        test::SyntheticCard card;
        card.dpi = 240;
        card.marker = 10 + i;
        const QString path = folder + QStringLiteral("/%1.png").arg(i);
        QDir().mkpath(folder);
        ASSERT_TRUE(test::saveSyntheticScan(card, path));
        ImportLedgerStore::record({*ImportLedgerStore::hash(path)});
    }
    auto view = open();
    auto* status = child<QLabel>(*view, "statusLine");
    auto* notice = child<QLabel>(*view, "emptyNothingNew");
    EXPECT_FALSE(notice->isVisible());

    const QString nothingNew = "All 2 scans in this folder were imported before; nothing new.";
    QTest::mouseClick(child<QPushButton>(*view, "importFolderButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return status->text() == nothingNew; }, 10000)) << status->text().toStdString();
    EXPECT_TRUE(model.rows().empty());
    ASSERT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), nothingNew);

    child<QCheckBox>(*view, "recountToggle")->click();
    QTest::mouseClick(child<QPushButton>(*view, "importFolderButton"), Qt::LeftButton);
    settle();
    auto* recountStatus = child<QLabel>(*view, "recountStatus");
    auto* recountNotice = child<QLabel>(*view, "recountEmptyNothingNew");
    ASSERT_TRUE(QTest::qWaitFor([&] { return recountStatus->text() == nothingNew && !model.isWorking(); }, 10000))
        << recountStatus->text().toStdString();
    settle();
    ASSERT_TRUE(recountNotice->isVisible());
    EXPECT_EQ(recountNotice->text(), nothingNew);
}

TEST_F(CaptureBarsTest, FooterEditsTheBinExportsThroughThePanelAndGatesImport)
{
    auto view = open();
    auto* exportCsv = child<QPushButton>(*view, "exportCsvButton");
    auto* import = child<QPushButton>(*view, "importButton");
    auto* bin = child<QLineEdit>(*view, "binField");
    test::testAccess(model).setRows({CaptureSessionKit::row(1, false)});
    settle();
    EXPECT_FALSE(exportCsv->isEnabled());
    EXPECT_FALSE(import->isEnabled());
    EXPECT_EQ(import->toolTip(), "Confirm at least one card first.");
    EXPECT_EQ(child<QLabel>(*view, "footerSecondText")->text(), "0 confirmed · 1 to review · est. value $0.00");

    test::testAccess(model).setRows({CaptureSessionKit::row(1, true), CaptureSessionKit::row(2, true)});
    test::testAccess(model).setStatusMessage("All set.");
    settle();
    EXPECT_TRUE(import->isEnabled());
    EXPECT_EQ(child<QLabel>(*view, "statusLine")->text(), "All set.");
    QTest::mouseClick(exportCsv, Qt::LeftButton);
    settle();
    EXPECT_EQ(test::readFile(home.file("export.csv")), model.rawScanCsvForExport().toUtf8());
    EXPECT_EQ(revealer->revealed, QStringList{home.file("export.csv")});

    EXPECT_EQ(bin->text(), model.bin()); // filled in from the scan folder's name when the window opened
    bin->setFocus();
    bin->selectAll();
    QTest::keyClicks(bin, "A12");
    EXPECT_EQ(model.bin(), "A12");
    test::testAccess(model).setBin("B0009");
    settle();
    EXPECT_EQ(bin->text(), "B0009");

    test::testAccess(model).setIsImporting(true);
    settle();
    EXPECT_FALSE(import->isEnabled());
    EXPECT_EQ(import->accessibleName(), "Importing…");
    EXPECT_TRUE(child<QWidget>(*view, "importSpinner")->isVisible());
}

TEST_F(CaptureBarsTest, ButtonsRunTheWindowsCommandsAndClearFolderFollowsTheirRule)
{
    QDir().mkpath(home.file("B0007"));
    auto view = open();
    CaptureCommands& commands = view->state().commands();
    auto* clear = child<QPushButton>(*view, "clearFolderButton");
    auto* watch = child<QPushButton>(*view, "watchButton");
    auto* pause = child<QPushButton>(*view, "pauseButton");

    QTest::mouseClick(watch, Qt::LeftButton);
    settle();
    EXPECT_TRUE(session->watcher().isWatching());
    EXPECT_EQ(watch->text(), "Stop Watching");
    ASSERT_TRUE(pause->isVisible());
    QTest::mouseClick(pause, Qt::LeftButton);
    settle();
    EXPECT_TRUE(session->watcher().isPaused());
    EXPECT_EQ(pause->text(), "Resume Intake");
    QTest::mouseClick(pause, Qt::LeftButton);
    settle();

    // The button and the command agree while pages settle, an ingest runs, and after.
    EXPECT_EQ(clear->isEnabled(), commands.canClearFolder());
    test::writeFile(home.file("B0007/page-1.png"), "png");
    session->watcher().tick();
    settle();
    EXPECT_FALSE(clear->isEnabled());
    EXPECT_EQ(clear->isEnabled(), commands.canClearFolder());
    test::testAccess(model).setIsWorking(true);
    settle();
    EXPECT_EQ(clear->isEnabled(), commands.canClearFolder());
    QTest::mouseClick(watch, Qt::LeftButton);
    test::testAccess(model).setIsWorking(false);
    settle();
    EXPECT_FALSE(session->watcher().isWatching());
    EXPECT_EQ(clear->isEnabled(), commands.canClearFolder());

    test::testAccess(model).setRows({CaptureSessionKit::row(1, true)});
    SettingsStore::standard()->setString(SettingsKeys::workspaceId, "ws-1"); // else Import is blocked unasked
    settle();
    QTest::mouseClick(child<QPushButton>(*view, "importButton"), Qt::LeftButton);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown.back().title, "Import to Vantry?");
}

TEST_F(CaptureBarsTest, AScanTheWatcherLeavesOutIsNamedWithItsReasonInTheStatusLine)
{
    const QString folder = home.file("B0007");
    QDir().mkpath(folder);
    auto view = open();
    QTest::mouseClick(child<QPushButton>(*view, "watchButton"), Qt::LeftButton);
    settle();
    ASSERT_TRUE(session->watcher().isWatching());

    // A scanner writing Latin-1 names: the page can never be opened, and the user hears so.
    const QByteArray raw = QFile::encodeName(folder) + "/Karte-M\xfcller.png";
    FILE* out = std::fopen(raw.constData(), "wb");
    ASSERT_TRUE(out);
    std::fputs("png", out);
    std::fclose(out);
    session->watcher().tick();
    settle();
    EXPECT_EQ(child<QLabel>(*view, "statusLine")->text().toStdString(),
              "No cards left in this batch. 1 file left out: Karte-M\uFFFDller.png (its file name is not valid "
              "UTF-8 \u2014 rename it)");
    ::unlink(raw.constData());
}

TEST_F(CaptureBarsTest, WatcherStripAgesTheLastActivityOnTheWindowClock)
{
    session->watcher().setClock([this] { return clock; });
    QDir().mkpath(home.file("B0007"));
    auto view = open();
    auto* strip = view->findChild<CaptureWatcherStatusBar*>();
    ASSERT_NE(strip, nullptr);
    EXPECT_FALSE(strip->isVisible());

    session->watcher().start(home.file("B0007"));
    settle();
    ASSERT_TRUE(strip->isVisible());
    auto lastItem = [&] {
        const auto labels = strip->findChildren<QLabel*>(QRegularExpression("^watcherItemText"));
        return labels.isEmpty() ? QString() : labels.back()->text();
    };
    EXPECT_EQ(lastItem(), "no scans yet, drop one in to test");

    test::writeFile(home.file("B0007/page-1.png"), "png");
    session->watcher().tick();
    settle();
    EXPECT_EQ(lastItem(), "last activity just now");

    // Nothing more from the watcher: only the clock moves the age.
    const QDateTime activity = clock;
    for (const auto& [seconds, text] : {std::pair{7, "last activity 7s ago"}, std::pair{60, "last activity 1m ago"}}) {
        clock = activity.addSecs(seconds);
        kit.scheduler.advance(CaptureWindowState::clockInterval);
        settle();
        EXPECT_EQ(lastItem(), text);
    }

    session->watcher().pause();
    settle();
    EXPECT_EQ(child<QLabel>(*view, "watcherTitle")->text(), "Paused");
    EXPECT_EQ(child<QLabel>(*view, "footerSecondText")->text(), "Paused B0007");
}

} // namespace
} // namespace vantry
