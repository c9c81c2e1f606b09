#include "app/recount/RecountTexts.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

using S = RecountLine::Symbol;
using T = RecountLine::Tone;

TEST(RecountTexts, RetireHint)
{
    ScanReplaceResult none;
    none.created = 5;
    ScanReplaceResult some = none;
    some.retired = 3;
    some.retiredValueUsd = 12.5;
    ScanReplaceResult one = none;
    one.retired = 1;
    one.retiredValueUsd = 4;
    struct Case {
        std::optional<ScanReplaceResult> preview;
        std::vector<QString> bins;
        RecountLine line;
    };
    const std::vector<Case> cases{
        {std::nullopt, {}, {"Type the old bin being replaced.", S::question, T::secondary}},
        {std::nullopt,
         {"B0001", "B0002"},
         {"Preview to see how many copies in B0001, B0002 will retire.", S::question, T::secondary}},
        {none, {"B0001"}, {"0 will retire \u00B7 5 new", S::checkmark, T::secondary}},
        {some, {"B0001"}, {"3 old rows will RETIRE ($12.50 basis destroyed) \u00B7 5 new", S::trash, T::red}},
        {one, {"B0001"}, {"1 old row will RETIRE ($4.00 basis destroyed) \u00B7 5 new", S::trash, T::red}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RecountTexts::retireHint(c.preview, c.bins), c.line);
}

TEST(RecountTexts, CountedLabels)
{
    ScanItemPayload one;
    one.name = "Shock";
    one.setCode = "m21";
    one.collectorNumber = "159";
    one.count = 1;
    struct Case {
        QString actual, expected;
    };
    const std::vector<Case> cases{
        {RecountTexts::reviewHeader(1), "1 needs attention"},
        {RecountTexts::reviewHeader(2), "2 need attention"},
        {RecountTexts::selectionButton(0), "Select all"},
        {RecountTexts::selectionButton(3), "Clear (3)"},
        {RecountTexts::fixButton(1), "Fix match"},
        {RecountTexts::fixButton(2), "Fix copies"},
        {RecountTexts::printingSubtitle(one), "M21 159 \u00B7 \u00D71"},
        {RecountTexts::tallyChip("A1", 3), "A1 3"},
        {RecountTexts::unassignedCount(0), "unassigned 0"},
        {RecountTexts::binMenuEntry({"B0001", 4, 57, {}}), "B0001 \u00B7 57 active"},
        {RecountTexts::binChipHelp({"B0001", 4, 57, {}}), "57 active cards, 4 distinct SKUs."},
        {RecountTexts::binChipHelp({"B0001", 1, 1, {}}), "1 active card, 1 distinct SKU."},
        {RecountTexts::binMenuEmpty(false), "No bins loaded"},
        {RecountTexts::binMenuEmpty(true), "No matching bins"},
        {RecountTexts::destinationHelp("A 1"), "Filed into A 1. Click to unassign."},
        {RecountTexts::assignHelp(false, "A1", {}), "Select one or more cards first."},
        {RecountTexts::assignHelp(true, "A1", {}), "File the selected cards into this destination bin."},
        {RecountTexts::assignHelp(true, "A1 A2", {}),
         "Type one destination bin. A name with a space or comma must be an existing bin or this batch's bin."},
        {RecountTexts::assignHelp(true, "Box 1", {"Box 1"}), "File the selected cards into this destination bin."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

TEST(RecountTexts, CorrectionSubtitleDescribesTheGroupWhileItExists)
{
    ScanItemPayload group;
    group.itemId = "art-1:nonfoil:signature";
    group.name = "Bolt Art";
    group.setCode = "amh2";
    group.collectorNumber = "12";
    EXPECT_EQ(RecountTexts::correctionSubtitle({group}, QString("art-1:nonfoil:signature")),
              "Bolt Art \u00B7 AMH2 12 \u00B7 nonfoil");
    EXPECT_EQ(RecountTexts::correctionSubtitle({group}, QString("art-1:nonfoil")),
              "Corrected rows stay here until you close this panel.");
}

} // namespace
} // namespace vantry
