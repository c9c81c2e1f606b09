#include "app/capture/CaptureLayout.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

using Area = CaptureLayout::MainArea;

TEST(CaptureLayout, MainAreaAndBannersFollowTheBatch)
{
    struct Case {
        const char* name;
        CaptureLayout::Inputs in;
        CaptureLayout expected;
    };
    const std::vector<Case> cases{
        {"empty batch", {}, {.mainArea = Area::empty, .footer = true}},
        {"rows", {.hasRows = true}, {.mainArea = Area::rows, .footer = true}},
        {"recount mode with no rows shows the recount screen",
         {.replaceMode = true},
         {.mainArea = Area::recount, .footer = false}},
        {"recount mode keeps the error banner",
         {.replaceMode = true, .hasRows = true, .hasImportError = true},
         {.mainArea = Area::recount, .errorBanner = true, .footer = false}},
        {"every banner at once",
         {.hasPrefHealMessage = true, .hasLastRecountResult = true, .noTextDetectedCount = 2, .isWatching = true,
          .hasRows = true, .hasImportError = true},
         {.healBanner = true, .recountFollowupBanner = true, .scanOrientationBanner = true, .watcherStatus = true,
          .mainArea = Area::rows, .errorBanner = true, .footer = true}},
        {"no unreadable rows: no orientation banner, dismissed or not",
         {.noTextDetectedCount = 0, .scanOrientationHintDismissed = false, .hasRows = true},
         {.mainArea = Area::rows, .footer = true}},
        {"a dismissed orientation banner stays away",
         {.noTextDetectedCount = 40, .scanOrientationHintDismissed = true, .hasRows = true},
         {.mainArea = Area::rows, .footer = true}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptureLayout::of(c.in), c.expected) << c.name;
}

} // namespace
} // namespace vantry
