#include "app/batch/IngestTexts.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

using Outcome = IngestTexts::RunOutcome;

// A run that left every scan out says why instead of showing an empty batch; a run that
// added cards leads the status line with what came in.
TEST(IngestTexts, WhatARunTookIn)
{
    struct Case {
        const char* what;
        Outcome run;
        bool nothingNew;
        const char* text; // the nothing-new status, or the leading piece
    };
    const std::vector<Case> cases{
        {"folder imported before", {28, 0, 28, 0, true}, true,
         "All 28 scans in this folder were imported before; nothing new."},
        {"one scan that came in", {1, 0, 1, 0, false}, true, "The 1 scan that came in was imported before; nothing new."},
        {"scans already in the batch", {3, 0, 0, 3, false}, true,
         "All 3 scans that came in were already read into this batch; nothing new."},
        {"one scan already in the batch", {1, 0, 0, 1, true}, true,
         "The 1 scan in this folder was already read into this batch; nothing new."},
        {"both reasons", {5, 0, 3, 2, true}, true,
         "All 5 scans in this folder were imported before or already read into this batch; nothing new."},
        // Scans left out for another reason (too large) are told after it by the left-out line.
        {"one of them too large", {28, 0, 27, 0, true}, true,
         "27 of the 28 scans in this folder were imported before; nothing new."},
        {"one of two imported before", {2, 0, 1, 0, false}, true,
         "1 of the 2 scans that came in was imported before; nothing new."},
        {"some new", {120, 118, 2, 0, true}, false, "Read 120 scans, 118 new"},
        {"one new", {1, 1, 0, 0, false}, false, "Read 1 scan, 1 new"},
        {"nothing left out for being known", {2, 0, 0, 0, true}, false, "Read 2 scans, 0 new"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IngestTexts::nothingNew(c.run), c.nothingNew) << c.what;
        const QString text = c.nothingNew ? IngestTexts::nothingNewStatus(c.run) : IngestTexts::readPiece(c.run);
        EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.what;
    }
    EXPECT_EQ(IngestTexts::reading(120), QStringLiteral("Reading 120 scans…"));
    EXPECT_EQ(IngestTexts::reading(1), QStringLiteral("Reading 1 scan…"));
}

} // namespace
} // namespace vantry
