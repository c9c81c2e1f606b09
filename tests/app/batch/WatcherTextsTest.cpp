#include "app/batch/WatcherTexts.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

TEST(WatcherTexts, CountedTextsTakeThePluralUnlessTheCountIsOne)
{
    struct Case {
        QString actual, expected;
    };
    const std::vector<Case> cases{
        {WatcherTexts::droppedDuplicatesToast(1), "Dropped 1 duplicate scan"},
        {WatcherTexts::droppedDuplicatesToast(2), "Dropped 2 duplicate scans"},
        {WatcherTexts::movedScansStatus(1, "/scans/B0001"), "Moved 1 scan into B0001."},
        {WatcherTexts::movedScansStatus(4, "/scans/B0002/"), "Moved 4 scans into B0002."},
        // A folder name is shown as it is, "%1" included.
        {WatcherTexts::movedScansStatus(2, "/scans/100%1"), "Moved 2 scans into 100%1."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

} // namespace
} // namespace vantry
