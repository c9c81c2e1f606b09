#include "app/batch/SessionStore.h"

#include "BatchTestKit.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "support/MarkerRecognizer.h"
#include "app/scanner/ScannerController.h"
#include "core/intake/FolderWatcher.h"
#include "platform/FakeScannerBrowser.h"
#include "platform/VirtualDelayScheduler.h"
#include "support/RecordingResolver.h"
#include "support/TempHome.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

namespace vantry {
namespace {

class SessionStoreTest : public ::testing::Test {
protected:
    test::TempHome home;
    VirtualDelayScheduler scheduler;
    std::vector<FakeScannerBrowser*> browsers;

    SessionStore::SessionFactory factory()
    {
        return [this](const QString& path) {
            CaptureViewModel::Collaborators c;
            c.recognizer = std::make_shared<test::MarkerRecognizer>();
            c.resolver = std::make_shared<test::RecordingResolver>();
            c.artMatcher = std::shared_ptr<const ArtCardMatching>();
            c.scheduler = &scheduler;
            BatchSession::Parts parts;
            parts.viewModel = CaptureViewModel::create(nullptr, std::move(c));
            parts.watcher = std::make_unique<FolderWatcher>(std::chrono::milliseconds(3600'000)); // ticked by hand
            parts.scanner = std::make_unique<ScannerController>(
                [this] {
                    auto browser = std::make_unique<FakeScannerBrowser>();
                    browsers.push_back(browser.get());
                    return std::unique_ptr<ScannerBrowser>(std::move(browser));
                },
                scheduler);
            return std::make_shared<BatchSession>(std::move(parts), path);
        };
    }

    static std::vector<QUuid> ids(const SessionStore& store)
    {
        std::vector<QUuid> out;
        for (const auto& s : store.sessions())
            out.push_back(s->id());
        return out;
    }
};

TEST_F(SessionStoreTest, TitlesNameTheScanFolder)
{
    struct Case {
        QString path, title;
    };
    for (const Case& c : std::vector<Case>{{"", "New batch"}, {"/scans/B0012", "B0012"}, {"/scans/B0012/", "B0012"}}) {
        SettingsStore::standard()->setString(SettingsKeys::scanFolder, c.path);
        SessionStore store(factory());
        EXPECT_EQ(store.selected().title(), c.title) << c.path.toStdString();
        EXPECT_EQ(store.addSession().title(), QStringLiteral("New batch"));
    }
}

TEST_F(SessionStoreTest, ClosingMovesTheSelectionToTheTabInItsPlace)
{
    struct Case {
        int selected, closed;
        int expectedSelected; // index into the original three
    };
    const std::vector<Case> cases{{2, 2, 1}, {1, 1, 2}, {0, 1, 0}};
    for (const Case& c : cases) {
        SessionStore store(factory());
        store.addSession();
        store.addSession();
        const auto original = ids(store);
        store.setSelectedID(original[c.selected]);
        store.close(original[c.closed]);
        EXPECT_EQ(store.sessions().size(), 2u);
        EXPECT_EQ(store.selectedID(), original[c.expectedSelected]) << c.selected << " " << c.closed;
    }
}

TEST_F(SessionStoreTest, LastTabAndUnknownIdsAreNotClosed)
{
    SessionStore store(factory());
    store.selected().scanner().startBrowsing();
    store.close(store.selectedID());
    EXPECT_EQ(store.sessions().size(), 1u);
    EXPECT_TRUE(browsers.back()->isRunning());

    BatchSession& added = store.addSession();
    EXPECT_EQ(store.selectedID(), added.id());
    EXPECT_NE(store.sessions().front()->id(), added.id());
    store.close(QUuid::createUuid());
    EXPECT_EQ(store.sessions().size(), 2u);
}

TEST_F(SessionStoreTest, ClosingStopsWatcherAndScannerAndMakesIngestsStale)
{
    SessionStore store(factory());
    store.addSession();
    const std::shared_ptr<BatchSession> tab = store.sessions().back();
    const auto model = tab->viewModel();
    QDir().mkpath(home.file("scans"));
    tab->watchFolder(home.file("scans"));
    tab->scanner().startBrowsing();
    ASSERT_TRUE(tab->watcher().isWatching());
    const qint64 generation = model->ingestGeneration();

    store.close(tab->id());
    EXPECT_FALSE(tab->watcher().isWatching());
    EXPECT_FALSE(browsers.back()->isRunning());
    EXPECT_EQ(model->ingestGeneration(), generation + 1);
    // Nothing the watcher tells reaches the closed tab's model any more.
    test::writeMarkedScan(home.file("scans/late.png"), 11);
    emit tab->watcher().cardsArrived({ScannedCard{0, home.file("scans/late.png"), std::nullopt}});
    emit tab->watcher().duplicatesDropped(1);
    emit tab->watcher().filesLeftOut({{"huge.png", LeftOutReason::tooLarge, "huge.png"}});
    EXPECT_FALSE(model->isWorking());
    EXPECT_EQ(model->toast(), std::nullopt);
    EXPECT_TRUE(model->leftOutScans().empty());
}

// The duplex setting applies to the pages that land after it changed, also while the folder
// is watched; pages that landed before keep theirs.
TEST_F(SessionStoreTest, WatchedPagesArePairedByTheDuplexSettingWhenTheyLanded)
{
    SettingsStore::standard()->setBoolean(SettingsKeys::duplex, true);
    SessionStore store(factory());
    BatchSession& tab = store.selected();
    const QString folder = home.file("scans");
    QDir().mkpath(folder);
    tab.watchFolder(folder);
    for (int i = 1; i <= 2; ++i)
        test::writeMarkedScan(folder + QStringLiteral("/p%1.png").arg(i), 10 + i);
    SettingsStore::standard()->setBoolean(SettingsKeys::duplex, false);
    for (int i = 3; i <= 4; ++i)
        test::writeMarkedScan(folder + QStringLiteral("/p%1.png").arg(i), 10 + i);

    const auto model = tab.viewModel();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            tab.watcher().tick();
            return model->rows().size() == 3 && !model->isWorking();
        },
        10000));
    QStringList cards;
    for (const auto& row : model->rows())
        cards << QFileInfo(row.card.front).baseName() + (row.card.back ? "/" + QFileInfo(*row.card.back).baseName() : "");
    EXPECT_EQ(cards.join(' ').toStdString(), "p1/p2 p3 p4");
}

} // namespace
} // namespace vantry
