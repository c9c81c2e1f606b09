#include "app/capture/CaptureTexts.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

TEST(CaptureTexts, CountedTextsTakeThePluralUnlessTheCountIsOne)
{
    struct Case {
        QString actual, expected;
    };
    const std::vector<Case> cases{
        {CaptureTexts::discardTitle(0), "Discard 0 rows?"},
        {CaptureTexts::discardTitle(1), "Discard 1 row?"},
        {CaptureTexts::discardTitle(3), "Discard 3 rows?"},
        {CaptureTexts::scanOrientationTitle(1), "1 card had no readable text"},
        {CaptureTexts::scanOrientationTitle(2), "2 cards had no readable text"},
        {CaptureTexts::scanOrientationTitle(11), "11 cards had no readable text"},
        {CaptureTexts::bulkConfirmedLabel(5), "Set all 5 confirmed to:"},
        {CaptureTexts::markReviewedLabel(1), "Mark 1 reviewed"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

TEST(CaptureTexts, RecountSummaryListsTheBinsInTheOrderWritten)
{
    EXPECT_EQ(CaptureTexts::recountSummary({{"B0003", "A0001"}, 12, 3}), "12 added · 3 retired → B0003, A0001");
    EXPECT_EQ(CaptureTexts::recountSummary({{"B0003"}, 1, 0}), "1 added · 0 retired → B0003");
    EXPECT_EQ(CaptureTexts::recountSummary({{"B0003", "Box 1"}, 0, 0, false}),
              "Figures unknown (the service did not report them) → B0003, Box 1");
}

TEST(CaptureTexts, TabBadgeShowsOnlyWhileRowsNeedReview)
{
    EXPECT_EQ(CaptureTexts::tabBadge(0), std::nullopt);
    EXPECT_EQ(CaptureTexts::tabBadge(1), QString("1"));
    EXPECT_EQ(CaptureTexts::tabBadge(27), QString("27"));
}

TEST(CaptureTexts, EmptyStateIntroFollowsDirectScanningAndFolderLineTheFolder)
{
    EXPECT_TRUE(CaptureTexts::emptyIntro(true).startsWith("Scanning is on."));
    EXPECT_TRUE(CaptureTexts::emptyIntro(false).startsWith("This app doesn't drive the scanner directly."));
    EXPECT_EQ(CaptureTexts::emptyFolderLine("/home/me/Pictures/B0007"), "Scan folder: B0007");
    EXPECT_TRUE(CaptureTexts::emptyFolderLine("").startsWith("Tip: a fresh empty folder"));
    EXPECT_EQ(CaptureTexts::emptySteps().size(), 4);
}

} // namespace
} // namespace vantry
