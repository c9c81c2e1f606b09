#include "app/recount/RecountGate.h"

#include "core/recognition/Disposition.h"

#include <gtest/gtest.h>

#include <QDateTime>

namespace vantry {
namespace {

InventoryBinSummary bin(const QString& label, int total, int distinct = 1) { return {label, distinct, total, {}}; }

ScanItemPayload item(const QString& id, int count)
{
    ScanItemPayload p;
    p.itemId = id;
    p.count = count;
    return p;
}

// Two confirmed groups, old bin B0001 typed and loaded, one group assigned, nothing running.
RecountState ready()
{
    RecountState s;
    s.items = {item("a:nonfoil", 2), item("b:foil", 1)};
    s.replaceBinsText = "B0001";
    s.inventoryBins = {bin("B0001", 57), bin("B0002", 3)};
    s.knownBins = {"B0001", "B0002"};
    s.binsLoaded = true;
    s.assignedTotal = 2;
    return s;
}

TEST(RecountGate, ReviewRowsPutUnresolvedFirstAndKeepBatchOrderWithinADisposition)
{
    auto row = [](int index, Disposition d, bool chosen = false) {
        CaptureViewModel::Row r;
        r.id = QUuid::createUuid();
        r.card.index = index;
        r.disposition = d;
        if (chosen)
            r.chosen = Candidate{};
        return r;
    };
    const std::vector<CaptureViewModel::Row> rows{
        row(0, Disposition::autoConfirm), row(1, Disposition::unresolved), row(2, Disposition::review),
        row(3, Disposition::unresolved), row(4, Disposition::unresolved, true)};
    std::vector<int> order;
    for (const auto& r : RecountGate::reviewRows(rows))
        order.push_back(r.card.index);
    EXPECT_EQ(order, (std::vector<int>{1, 3, 2, 0}));
}

TEST(RecountGate, PreviewGateAndItsBlockedHint)
{
    struct Case {
        const char* what;
        std::function<void(RecountState&)> change;
        bool canPreview;
        QString hint;
    };
    const std::vector<Case> cases{
        {"ready", [](RecountState&) {}, true, ""},
        {"no groups, even with no old bin",
         [](RecountState& s) {
             s.items.clear();
             s.replaceBinsText.clear();
         },
         false, "Import a folder first."},
        {"no old bin", [](RecountState& s) { s.replaceBinsText = " , "; }, false, "Type the old bin to replace."},
        {"loading beats a load error",
         [](RecountState& s) {
             s.isLoadingInventoryBins = true;
             s.inventoryBinsError = "boom";
         },
         false, "Loading existing bins."},
        {"failed load, none before",
         [](RecountState& s) {
             s.binsLoaded = false;
             s.inventoryBinsError = "boom";
         },
         false, "Reload existing bins to confirm the old bin."},
        {"failed load keeps the earlier bins", [](RecountState& s) { s.inventoryBinsError = "boom"; }, true, ""},
        {"never loaded: nothing missing yet, still not confirmed", [](RecountState& s) { s.binsLoaded = false; }, false,
         "Load existing bins to confirm the old bin."},
        {"lower case is another bin", [](RecountState& s) { s.replaceBinsText = "b0001"; }, false,
         "Choose an existing old bin."},
        {"a bin name with a space is two names", [](RecountState& s) { s.replaceBinsText = "B 0001"; }, false,
         "Choose an existing old bin."},
        {"a slash stays in the name", [](RecountState& s) { s.replaceBinsText = "B0001/B0002"; }, false,
         "Choose an existing old bin."},
        {"many bins in one field, all loaded", [](RecountState& s) { s.replaceBinsText = "B0001,B0002  B0001"; }, true,
         ""},
        {"nothing assigned", [](RecountState& s) { s.assignedTotal = 0; }, false,
         "Assign at least one group to a destination bin."},
        {"only a running operation: no hint", [](RecountState& s) { s.isWorking = true; }, false, ""},
        {"a commit that may still complete blocks a new session", [](RecountState& s) { s.commitPending = true; },
         false, "The last recount may still complete \u2014 check it first."},
    };
    for (const Case& c : cases) {
        RecountState s = ready();
        c.change(s);
        EXPECT_EQ(RecountGate::canPreview(s), c.canPreview) << c.what;
        EXPECT_EQ(RecountGate::previewBlockedHint(s), c.hint) << c.what;
        // A pending preview may be committed exactly while a new one could be made.
        EXPECT_FALSE(RecountGate::canCommit(s)) << c.what;
        s.pendingPreview = ScanReplaceResult{};
        EXPECT_EQ(RecountGate::canCommit(s), c.canPreview) << c.what;
    }
}

TEST(RecountGate, MissingBinsAndExactMatch)
{
    RecountState s = ready();
    s.replaceBinsText = "B0001, B0002 X9 b0001";
    EXPECT_EQ(RecountGate::missingReplaceBins(s), (std::vector<QString>{"X9", "b0001"}));
    EXPECT_FALSE(RecountGate::replaceBinsAreConfirmed(s));
    EXPECT_FALSE(RecountGate::exactBin(s.inventoryBins, "b0001"));
    EXPECT_FALSE(RecountGate::exactBin(s.inventoryBins, "B0001 "));
    EXPECT_EQ(RecountGate::exactBin(s.inventoryBins, "B0002")->totalQty, 3);
    s.binsLoaded = false;
    EXPECT_TRUE(RecountGate::missingReplaceBins(s).empty());
    EXPECT_FALSE(RecountGate::replaceBinsAreConfirmed(s));
}

TEST(RecountGate, BinSuggestions)
{
    std::vector<InventoryBinSummary> thirty;
    for (int i = 1; i <= 30; ++i)
        thirty.push_back(bin(QStringLiteral("C%1").arg(i, 4, 10, QLatin1Char('0')), i));
    const auto first = RecountGate::binSuggestions(thirty, "  ");
    ASSERT_EQ(first.size(), 12u);
    EXPECT_EQ(first.front().label, "C0001");
    EXPECT_EQ(first.back().label, "C0012");

    const std::vector<InventoryBinSummary> bins{bin("AB001", 900), bin("B0012", 5), bin("b0003", 40), bin("X1", 1)};
    std::vector<QString> labels;
    for (const auto& b : RecountGate::binSuggestions(bins, " B0 "))
        labels.push_back(b.label);
    // Prefix matches first (more copies first), then "contains".
    EXPECT_EQ(labels, (std::vector<QString>{"b0003", "B0012", "AB001"}));
    EXPECT_TRUE(RecountGate::binSuggestions(bins, "zz").empty());
}

TEST(RecountGate, ConfirmationMessage)
{
    EXPECT_EQ(RecountGate::replaceConfirmMessage(std::nullopt, {"B0001"}), "Nothing to recount.");
    ScanReplaceResult p;
    p.created = 5;
    EXPECT_EQ(RecountGate::replaceConfirmMessage(p, {"B0001"}),
              "Recount of B0001:\n\u2022 5 added (new copies)\n\u2022 0 retired\nThis cannot be undone.");
    p.retired = 3;
    p.retiredValueUsd = 12.5;
    EXPECT_EQ(RecountGate::replaceConfirmMessage(p, {"B0001", "Box 2"}),
              "Recount of B0001, Box 2:\n\u2022 5 added (new copies)\n\u2022 3 RETIRED as lost ($12.50 basis "
              "destroyed)\nThis cannot be undone.");
}

TEST(RecountGate, AssignNeedsASelectionAndExactlyOneDestinationBin)
{
    struct Case {
        int selected;
        QString destination;
        bool enabled;
    };
    const std::vector<Case> cases{
        {0, "A0018", false}, {2, "", false},       {2, " \t ", false},     {2, " A0018 ", true},
        {1, "a/18", true},   {1, "A00 18", false}, {1, "A1, A2", false},   {1, "A1,", false},
        // A known bin is one name, spaces and commas inside included.
        {1, " Box 1 ", true}, {1, "Box 1,2", true}, {1, "Box 1 Box 3", false}, {1, "Box 3", false},
    };
    const std::vector<QString> known{"Box 1", "Box 1,2"};
    for (const Case& c : cases)
        EXPECT_EQ(RecountGate::canAssign(c.selected, c.destination, known), c.enabled)
            << c.selected << " " << c.destination.toStdString();
}

TEST(RecountGate, EveryBinTheAppImportsIntoOrTheServiceListsCanBeRecounted)
{
    // Each name as the service lists it, and as the batch's import bin before any bin was loaded.
    const QString names[] = {"Box 1", "Box 1,2", "Kiste Nr. 3", "A/1 b", "b-7", QString::fromUtf8("Reg\u00e4l\u00a05")};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        RecountState listed = ready();
        listed.inventoryBins.push_back(bin(name, 4));
        listed.knownBins = {"B0001", "B0002", name};
        listed.replaceBinsText = name;
        EXPECT_EQ(RecountGate::oldBins(listed), std::vector<QString>{name});
        EXPECT_TRUE(RecountGate::canPreview(listed));
        // Several bins can still be typed, the known one among them.
        listed.replaceBinsText = name + ", B0002\nB0001 " + name;
        EXPECT_EQ(RecountGate::oldBins(listed), (std::vector<QString>{name, "B0002", "B0001"}));
        EXPECT_TRUE(RecountGate::canPreview(listed));
        EXPECT_TRUE(RecountGate::isSingleBinName(name, listed.knownBins));

        RecountState imported = ready();
        imported.binsLoaded = false;
        imported.knownBins = {name};
        imported.replaceBinsText = QStringLiteral(" ") + name + QStringLiteral(" ");
        EXPECT_EQ(RecountGate::oldBins(imported), std::vector<QString>{name});
    }
    // An unknown name with a space is still two names (and so "No active bin found" for both).
    RecountState s = ready();
    s.replaceBinsText = "Box 1";
    EXPECT_EQ(RecountGate::missingReplaceBins(s), (std::vector<QString>{"Box", "1"}));
}

} // namespace
} // namespace vantry
