#include "app/capture/WatcherStripState.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace vantry {
namespace {

using Item = WatcherStripState::Item;
using Tone = WatcherStripState::Tone;

const QDateTime activity = QDateTime::fromMSecsSinceEpoch(1'800'000'000'000, Qt::UTC);

TEST(WatcherStripState, AgeTextByWholeSecondsOfTheClock)
{
    struct Case {
        qint64 msAfter;
        const char* text;
    };
    const std::vector<Case> cases{
        {-5000, "just now"}, // clock behind the activity
        {-999, "just now"},  {0, "just now"},     {999, "just now"},    {1000, "1s ago"},
        {7400, "7s ago"},    {59'999, "59s ago"}, {60'000, "1m ago"},   {119'000, "1m ago"},
        {120'000, "2m ago"}, {7'200'000, "120m ago"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WatcherStripState::lastAgo(activity, activity.addMSecs(c.msAfter)), QString(c.text)) << c.msAfter;
    EXPECT_EQ(WatcherStripState::lastAgo(std::nullopt, activity), std::nullopt);
}

TEST(WatcherStripState, LinesAcrossWatcherStates)
{
    const Item seen{"doc.fill", "4 seen"};
    const Item imported{"tray.and.arrow.down.fill", "2 imported"};
    const Item timing{"speedometer", "1 files, single page, no avg gap"};
    const Item noScans{"info.circle", "no scans yet, drop one in to test"};
    const Item resume{"pause.fill", "resume to import new scans", Tone::warning};
    const Item settling{"hourglass", "3 settling...", Tone::warning};
    const Item ago{"clock", "last activity 7s ago"};

    struct Case {
        const char* name;
        bool paused;
        QString folder, route;
        std::optional<QString> timing;
        qint64 pending;
        bool active;
        QString title;
        std::vector<Item> items;
    };
    const std::vector<Case> cases{
        {"fresh watcher", false, "B0007", "", std::nullopt, 0, false, "Watching", {seen, imported, noScans}},
        {"settling files", false, "B0007", "", std::nullopt, 3, true, "Watching", {seen, imported, settling, ago}},
        {"with timing", false, "B0007", "B0007-in", "1 files, single page, no avg gap", 0, true, "Watching",
         {seen, imported, timing, ago}},
        // Pausing says so even while files wait to settle.
        {"paused with files waiting", true, "B0007", "", std::nullopt, 3, true, "Paused",
         {seen, imported, resume, ago}},
        {"paused, no scans", true, "", "", std::nullopt, 0, false, "Paused", {seen, imported, resume, noScans}},
    };
    for (const Case& c : cases) {
        WatcherStripState::Inputs in;
        in.isPaused = c.paused;
        in.folderName = c.folder;
        in.routeName = c.route;
        in.filesSeen = 4;
        in.batchesEmitted = 2;
        in.timing = c.timing;
        in.pendingFileCount = c.pending;
        if (c.active)
            in.lastActivityAt = activity;
        in.nowTick = activity.addMSecs(7400);
        const WatcherStripState s = WatcherStripState::of(in);
        EXPECT_EQ(s.paused, c.paused) << c.name;
        EXPECT_EQ(s.title, c.title) << c.name;
        EXPECT_EQ(s.folderName, c.folder) << c.name;
        EXPECT_EQ(s.routeName, c.route) << c.name;
        EXPECT_EQ(s.items, c.items) << c.name;
    }
}

} // namespace
} // namespace vantry
