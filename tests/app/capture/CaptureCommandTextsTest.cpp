#include "app/capture/CaptureCommandTexts.h"

#include "core/intake/DirectScanGuidance.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

namespace Texts = CaptureCommandTexts;

TEST(CaptureCommandTexts, DestinationAndImportConfirmation)
{
    EXPECT_EQ(Texts::destinationLabel("", "Shop"), QStringLiteral("→ personal inventory"));
    EXPECT_EQ(Texts::destinationLabel("ws-1", ""), QStringLiteral("→ workspace"));
    EXPECT_EQ(Texts::destinationLabel("ws-1", "Shop"), QStringLiteral("→ Shop"));

    struct Case {
        qint64 chosen, printings;
        const char *workspaceId, *workspaceName, *bin, *expected;
    };
    const Case cases[] = {
        {3, 2, "", "", "A0018 \n", "3 cards (2 distinct printings) → personal inventory, bin A0018."},
        {3, 2, "", "", "  ", "3 cards (2 distinct printings) → personal inventory, bin unsorted."},
        {1, 1, "ws", "", "B1", "1 card (1 distinct printing) → workspace, bin B1."},
        {2, 1, "ws", "", "B1", "2 cards (1 distinct printing) → workspace, bin B1."},
        {12, 5, "ws", "Shop", "", "12 cards (5 distinct printings) → Shop, bin unsorted."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Texts::importConfirmMessage(c.chosen, c.printings, c.workspaceId, c.workspaceName, c.bin),
                  QString::fromUtf8(c.expected))
            << c.expected;
}

TEST(CaptureCommandTexts, SplitChildWarningNamesOldAndNewBin)
{
    const SplitChildBinSuggestion split{QStringLiteral("B0001"), QStringLiteral("B0001a")};
    EXPECT_EQ(Texts::splitChildWarningMessage(split, ""),
              QStringLiteral("Scan folder looks like a split of B0001 into B0001a. Normal import will ADD these cards "
                             "to B0001a and will NOT zero out B0001. Switch to Recount if this stack is meant to "
                             "replace B0001."));
    EXPECT_TRUE(Texts::splitChildWarningMessage(split, " C7 ").contains("ADD these cards to C7 and"));
    EXPECT_EQ(Texts::splitChildWarningMessage(std::nullopt, "C7"),
              QStringLiteral("This import will add cards. It will not replace an old bin."));
}

// The recount bin follows the folder until the user types one of their own.
TEST(CaptureCommandTexts, RecountBinFollowsTheFolderUnlessTyped)
{
    struct Case {
        const char* what;
        const char* text;
        std::optional<QString> suggested;
        const char* last;
        std::optional<QString> newText;
        const char* newLast;
    };
    const Case cases[] = {
        {"empty field takes the suggestion", "", "B0001", "", "B0001", "B0001"},
        {"own suggestion is replaced", " B0001 ", "B0002", "B0001", "B0002", "B0002"},
        {"typed bin stays", "C9", "B0002", "B0001", std::nullopt, "B0002"},
        {"suggestion is trimmed", "", " B3 \n", "", "B3", "B3"},
        {"no suggestion clears own text", "B0001", std::nullopt, "B0001", "", ""},
        {"no suggestion keeps typed text", "C9", std::nullopt, "B0001", std::nullopt, ""},
        {"blank suggestion counts as none", "B0001", "  ", "B0001", "", ""},
    };
    for (const Case& c : cases) {
        const auto sync = Texts::syncRecountBin(c.text, c.suggested, c.last);
        EXPECT_EQ(sync.replaceBinsText, c.newText) << c.what;
        EXPECT_EQ(sync.lastSuggested, QString::fromUtf8(c.newLast)) << c.what;
    }
}

TEST(CaptureCommandTexts, ClearFolderAndScanHelp)
{
    EXPECT_EQ(Texts::archivedToast(1, "B1", "20260301-090000"), QStringLiteral("Archived 1 image from B1 → Archived-20260301-090000/"));
    EXPECT_EQ(Texts::archivedToast(2, "B1", "x"), QStringLiteral("Archived 2 images from B1 → Archived-x/"));
    EXPECT_EQ(Texts::alreadyEmptyStatus("B1"), QStringLiteral("B1 is already empty."));
    EXPECT_EQ(Texts::clearFolderHelp("", true), QStringLiteral("Pick a Scan Folder or Source first."));
    EXPECT_TRUE(Texts::clearFolderHelp("/s/B1", true).startsWith("The scanner is still writing"));
    EXPECT_EQ(Texts::clearFolderHelp("/s/B1/", false),
              QStringLiteral("Move every image in \"B1\" into a timestamped archive subfolder so the next batch starts "
                             "clean. Reversible."));

    // The found scanner is named by what SANE reports; without one the help says how to find it.
    const std::optional<QString> none;
    EXPECT_TRUE(Texts::directScanHelp(true, none, "").startsWith("Cancel the direct scanner session."));
    EXPECT_EQ(Texts::directScanHelp(false, none, "/s/B1"),
              QStringLiteral("No scanner found yet. Make sure the scanner is powered on and connected, then click to "
                             "scan; SANE finds USB scanners on its own (scanimage -L lists the ones it sees)."));
    EXPECT_EQ(Texts::directScanHelp(false, QStringLiteral("FUJITSU fi-8170"), "/s/B1"),
              QStringLiteral("Trigger a feeder scan on the FUJITSU fi-8170 into \"B1\". Pages import live as the "
                             "scanner pulls them."));
    EXPECT_EQ(Texts::directScanHelp(false, QString(), ""),
              QStringLiteral("Trigger a feeder scan into \"a default folder\". Pages import live as the scanner pulls "
                             "them."));
    EXPECT_EQ(Texts::noScannerStatus(),
              QStringLiteral("No scanner detected. Check that the scanner is powered on and its USB cable is "
                             "connected, and that SANE lists it (scanimage -L)."));
}

// The streak counts runs that brought nothing; after an empty run low disk is said first.
TEST(CaptureCommandTexts, EmptyScanStreakAndLowDiskPrecedence)
{
    const qint64 roomy = 1'000'000'000, low = 999'999'999;
    struct Case {
        const char* what;
        int before;
        std::optional<int> after;
        qint64 free;
        int streak;
        int newStreak;
        std::optional<QString> status;
    };
    const Case cases[] = {
        {"new page resets", 2, 3, roomy, 4, 0, std::nullopt},
        {"new page on a low disk resets too", 2, 3, low, 4, 0, std::nullopt},
        {"first empty run", 2, 2, roomy, 0, 1, DirectScanGuidance::emptyScanMessage(1)},
        {"second empty run", 0, 0, roomy, 1, 2, DirectScanGuidance::emptyScanMessage(2)},
        {"exactly 999,999,999 bytes is low", 0, 0, low, 1, 2, DirectScanGuidance::lowDiskMessage(low)},
        {"unlistable folder counts as empty", 5, std::nullopt, roomy, 0, 1, DirectScanGuidance::emptyScanMessage(1)},
        {"fewer images than before is empty", 5, 3, 0, 0, 1, DirectScanGuidance::lowDiskMessage(0)},
    };
    for (const Case& c : cases) {
        const auto end = Texts::directScanEnd(c.before, c.after, c.free, c.streak);
        EXPECT_EQ(end.streak, c.newStreak) << c.what;
        EXPECT_EQ(end.status, c.status) << c.what;
    }
    EXPECT_EQ(Texts::scanStartStatus("B1", roomy), QStringLiteral("Scanning into B1. Cards import as the feeder pulls them."));
    EXPECT_EQ(Texts::scanStartStatus("B1", low), DirectScanGuidance::lowDiskMessage(low));
    EXPECT_TRUE(DirectScanGuidance::lowDiskMessage(0).contains("(0 MB free)"));
    EXPECT_EQ(Texts::partialScanStatus("Scan failed: Jammed.", 1),
              QStringLiteral("Scan failed: Jammed. The 1 page scanned before that is kept and imports."));
    EXPECT_TRUE(Texts::partialScanStatus("x", 3).endsWith("The 3 pages scanned before that are kept and import."));
}

TEST(CaptureCommandTexts, WatchingStatuses)
{
    EXPECT_EQ(Texts::watchingStatus("B1", 0),
              QStringLiteral("Watching B1. Scan into it with your scanning app and cards import automatically."));
    EXPECT_EQ(Texts::watchingStatus("B1", 1), QStringLiteral("Watching B1. Importing 1 scan already in the folder…"));
    EXPECT_EQ(Texts::watchingStatus("B1", 3), QStringLiteral("Watching B1. Importing 3 scans already in the folder…"));
    EXPECT_EQ(Texts::stoppedWatchingStatus(), QStringLiteral("Stopped watching."));
    EXPECT_EQ(Texts::resumedStatus(), QStringLiteral("Resumed intake. New scans will import automatically."));
    EXPECT_EQ(Texts::pausedStatus(),
              QStringLiteral("Paused intake. New scans can keep landing, then Resume Intake will import them."));
}

// A new tab's scans go to a folder no other open tab works in.
TEST(CaptureCommandTexts, DefaultScanFolderNeverOneOfAnotherTab)
{
    struct Case {
        const char* what;
        const char* stored;
        QStringList others;
        const char* expected;
    };
    const Case cases[] = {
        {"stored folder", "/s/B1", {}, "/s/B1"},
        {"nothing stored", "", {}, "/p/Vantry Captures"},
        {"stored folder of another tab", "/s/B1", {"/s/B1/"}, "/p/Vantry Captures"},
        {"same folder spelt otherwise", "/s/B1", {"/s/x/../B1"}, "/p/Vantry Captures"},
        {"default of another tab", "", {"/p/Vantry Captures"}, "/p/Vantry Captures 2"},
        {"both taken", "/s/B1", {"/s/B1", "/p/Vantry Captures", "/p/Vantry Captures 2"}, "/p/Vantry Captures 3"},
        {"another tab elsewhere", "/s/B1", {"/s/B2"}, "/s/B1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Texts::defaultScanFolder(c.stored, "/p", c.others), QString::fromUtf8(c.expected)) << c.what;
    EXPECT_FALSE(Texts::sameFolder("", ""));
    EXPECT_EQ(Texts::folderName("/s/B1/"), QStringLiteral("B1"));
    EXPECT_EQ(Texts::folderName(""), QString());
}

} // namespace
} // namespace vantry
