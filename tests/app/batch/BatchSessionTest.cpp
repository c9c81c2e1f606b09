#include "app/batch/BatchSession.h"

#include "BatchTestKit.h"
#include "core/intake/FolderWatcher.h"
#include "core/support/CaptureLog.h"
#include "support/CapturedLog.h"
#include "support/CaptureSessionKit.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace vantry {
namespace {

class BatchSessionTest : public ::testing::Test {
protected:
    test::TempHome home;
    test::CaptureSessionKit kit;

    static int logLinesContaining(const QString& part) { return int(test::capturedLogLines().filter(part).size()); }

    // Ticks the session's watcher until the model holds `rows` rows and rests.
    static bool tickUntilRows(BatchSession& session, std::size_t rows)
    {
        const auto model = session.viewModel();
        return QTest::qWaitFor(
            [&] {
                session.watcher().tick();
                return model->rows().size() == rows && !model->isWorking() && !session.watcher().isEmitting();
            },
            10000);
    }
};

// No window is needed: a background tab keeps taking in scans and saying what happened.
TEST_F(BatchSessionTest, WhatTheWatcherTellsReachesTheModelWithoutAWindow)
{
    const auto session = kit.make();
    const auto model = session->viewModel();
    FolderWatcher& watcher = session->watcher();

    emit watcher.duplicatesDropped(1);
    EXPECT_EQ(model->toast(), QString("Dropped 1 duplicate scan"));
    emit watcher.pagesRouted(3, "/scans/B0007");
    EXPECT_EQ(model->statusMessage(), "Moved 3 scans into B0007.");
    const std::vector<LeftOutScanFile> files{{"huge.png", LeftOutReason::tooLarge, "huge.png"}};
    emit watcher.filesLeftOut(files);
    EXPECT_EQ(model->leftOutScans(), files);

    const QString folder = home.file("scans");
    QDir().mkpath(folder);
    session->watchFolder(folder);
    test::writeMarkedScan(folder + "/p1.png", 11);
    ASSERT_TRUE(tickUntilRows(*session, 1));
    EXPECT_EQ(model->rows()[0].card.front, folder + "/p1.png");
}

// The hand-over is connected once, when the session is made: watching again, or another
// folder, never hands a card over twice.
TEST_F(BatchSessionTest, EachWatchedCardIsIngestedOnceWhateverFolderIsWatchedAgain)
{
    const QString first = home.file("first"), second = home.file("second");
    QDir().mkpath(first);
    QDir().mkpath(second);
    const auto session = kit.make(first);
    session->watchFolder(first);
    session->watchFolder(first);
    session->setScanFolderPath(second); // the running watcher follows the folder
    ASSERT_EQ(session->watcher().folder(), second);

    test::writeMarkedScan(second + "/p1.png", 11);
    test::writeMarkedScan(second + "/p2.png", 12);
    ASSERT_TRUE(tickUntilRows(*session, 2));
    EXPECT_EQ(logLinesContaining("ingest START n=2"), 1);
    EXPECT_EQ(logLinesContaining("ingest START"), 1);
    EXPECT_EQ(logLinesContaining("SKIP duplicate-scan"), 0);
}

} // namespace
} // namespace vantry
