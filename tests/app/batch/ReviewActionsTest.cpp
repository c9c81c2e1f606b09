#include "app/batch/CaptureViewModel.h"
#include "app/review/CardRowTexts.h"
#include "app/review/FinishBarCounts.h"

#include "core/reading/CollectorMatching.h"
#include "core/recognition/Disposition.h"
#include "platform/VirtualDelayScheduler.h"
#include "support/MarkerRecognizer.h"
#include "support/RecordingResolver.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QCoroTimer>

#include <gtest/gtest.h>

#include <map>

namespace vantry {
namespace {

using test::makeCandidate;
using Row = CaptureViewModel::Row;
using BinMap = CaptureViewModel::BinMap;

Candidate bolt(ScanFinish finish = ScanFinish::nonfoil) { return makeCandidate("bolt", "Lightning Bolt", "m21", "162", 0.9, finish); }
Candidate shock() { return makeCandidate("shock", "Shock", "m21", "159", 0.8); }
Candidate signatureArt(ScanFinish finish = ScanFinish::nonfoil)
{
    Candidate c = makeCandidate("art", "Goblin Art", "adsk", "12", 0.9, finish);
    c.isArtSeries = true;
    c.artSeriesVariant = ArtSeriesVariant::signature;
    return c;
}

Row makeRow(std::optional<Candidate> chosen, std::vector<Candidate> candidates = {})
{
    Row r;
    r.id = QUuid::createUuid();
    r.card.front = QStringLiteral("/scans/") + r.id.toString(QUuid::WithoutBraces) + QStringLiteral(".png");
    r.chosen = chosen;
    r.candidates = candidates.empty() && chosen ? std::vector<Candidate>{*chosen} : std::move(candidates);
    r.disposition = chosen ? Disposition::autoConfirm : Disposition::review;
    return r;
}

// Searches answer only when the test opens them, so two can overlap in a chosen order.
struct HeldResolver final : CardResolving {
    std::shared_ptr<std::map<QString, bool>> open = std::make_shared<std::map<QString, bool>>();
    std::shared_ptr<QStringList> calls = std::make_shared<QStringList>();

    QCoro::Task<std::vector<Candidate>> resolveSetCollector(QString, QString, ScanFinish,
                                                            std::optional<QString>) const override
    {
        co_return {};
    }
    QCoro::Task<std::vector<Candidate>> searchByName(QString text, ScanFinish finish) const override
    {
        *calls << text + u' ' + rawValue(finish);
        const auto gates = open;
        while (!(*gates)[text])
            co_await QCoro::sleepFor(std::chrono::milliseconds(2));
        co_return {makeCandidate(text, text, "tst", "1", 0.5, finish)};
    }
};

class ReviewActionsTest : public ::testing::Test {
protected:
    test::TempHome home;
    VirtualDelayScheduler clock;
    std::shared_ptr<test::RecordingResolver> resolver = std::make_shared<test::RecordingResolver>();

    std::shared_ptr<CaptureViewModel> makeModel(std::shared_ptr<const CardResolving> r = nullptr)
    {
        CaptureViewModel::Collaborators c;
        c.recognizer = std::make_shared<test::MarkerRecognizer>();
        c.resolver = r ? r : resolver;
        c.artMatcher = std::shared_ptr<const ArtCardMatching>();
        c.scheduler = &clock;
        return CaptureViewModel::create(nullptr, std::move(c));
    }

    // A model with `rows`, recount destinations and a pending preview of the plan.
    std::shared_ptr<CaptureViewModel> withRows(std::vector<Row> rows, BinMap bins = {})
    {
        auto model = makeModel();
        test::testAccess(*model).setRows(std::move(rows));
        test::testAccess(*model).setBinByPrinting(std::move(bins));
        test::testAccess(*model).setPendingPreview(ScanReplaceResult{});
        test::testAccess(*model).setReplaceSessionId(QStringLiteral("session-1"));
        test::testAccess(*model).setStatusMessage(QStringLiteral("stale"));
        return model;
    }

    static const Row& row(const CaptureViewModel& model, const QUuid& id)
    {
        for (const Row& r : model.rows()) {
            if (r.id == id)
                return r;
        }
        throw std::runtime_error("no row");
    }
};

void expectPreviewDropped(const CaptureViewModel& model, bool dropped)
{
    EXPECT_EQ(!model.recount()->pendingPreview(), dropped);
    EXPECT_EQ(!model.recount()->replaceSessionId(), dropped);
}

TEST_F(ReviewActionsTest, EditsCarryTheRecountDestinationToTheRowsNewItemId)
{
    struct Case {
        const char* name;
        Row row;
        BinMap bins;
        std::function<void(CaptureViewModel&, QUuid)> edit;
        std::optional<QString> chosenItemId; // after the edit
        BinMap expectedBins;
    };
    Row unconfirmedWithBin = makeRow(std::nullopt, {bolt()});
    unconfirmedWithBin.pendingReclassifyBin = QStringLiteral("B2");
    unconfirmedWithBin.pendingReclassifyFinish = ScanFinish::nonfoil;
    Case cases[] = {
        {"confirm another printing", makeRow(bolt()), {{"bolt:nonfoil", "B1"}},
         [](CaptureViewModel& m, QUuid id) { m.confirm(id, shock()); }, "shock:nonfoil",
         {{"bolt:nonfoil", "B1"}, {"shock:nonfoil", "B1"}}},
        {"confirm restores the bin kept while unconfirmed", unconfirmedWithBin, {},
         [](CaptureViewModel& m, QUuid id) { m.confirm(id, bolt()); }, "bolt:nonfoil", {{"bolt:nonfoil", "B2"}}},
        {"finish", makeRow(bolt()), {{"bolt:nonfoil", "B1"}},
         [](CaptureViewModel& m, QUuid id) { m.setFinish(id, ScanFinish::foil); }, "bolt:foil",
         {{"bolt:nonfoil", "B1"}, {"bolt:foil", "B1"}}},
        {"finish of a signature Art Series card keeps its suffix", makeRow(signatureArt()),
         {{"art:nonfoil:signature", "S1"}}, [](CaptureViewModel& m, QUuid id) { m.setFinish(id, ScanFinish::foil); },
         "art:foil:signature", {{"art:nonfoil:signature", "S1"}, {"art:foil:signature", "S1"}}},
        {"variant toggles the suffix", makeRow(signatureArt()), {{"art:nonfoil:signature", "S1"}},
         [](CaptureViewModel& m, QUuid id) { m.setArtSeriesVariant(id, ArtSeriesVariant::plain); }, "art:nonfoil",
         {{"art:nonfoil:signature", "S1"}, {"art:nonfoil", "S1"}}},
        {"all confirmed rows", makeRow(signatureArt()), {{"art:nonfoil:signature", "S1"}},
         [](CaptureViewModel& m, QUuid) { m.setAllConfirmedFinish(ScanFinish::etched); }, "art:etched:signature",
         {{"art:nonfoil:signature", "S1"}, {"art:etched:signature", "S1"}}},
        {"one printing on the recount screen, signature", makeRow(signatureArt()), {{"art:nonfoil:signature", "S1"}},
         [](CaptureViewModel& m, QUuid) { m.setFinishForPrinting("art", ScanFinish::nonfoil, ScanFinish::foil); },
         "art:foil:signature", {{"art:foil:signature", "S1"}}},
        {"one printing on the recount screen", makeRow(bolt()), {{"bolt:nonfoil", "B1"}, {"bolt:foil", "old"}},
         [](CaptureViewModel& m, QUuid) { m.setFinishForPrinting("bolt", ScanFinish::nonfoil, ScanFinish::foil); },
         "bolt:foil", {{"bolt:foil", "B1"}}},
        {"unconfirm keeps the entry", makeRow(bolt()), {{"bolt:nonfoil", "B1"}},
         [](CaptureViewModel& m, QUuid id) { m.unconfirm(id); }, std::nullopt, {{"bolt:nonfoil", "B1"}}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QUuid id = c.row.id;
        const auto model = withRows({c.row}, c.bins);
        c.edit(*model, id);
        const Row& after = row(*model, id);
        EXPECT_EQ(after.chosen ? std::optional(scanItemId(*after.chosen)) : std::nullopt, c.chosenItemId);
        for (const Candidate& candidate : after.candidates) {
            if (after.chosen)
                EXPECT_EQ(candidate.finish, after.chosen->finish);
        }
        EXPECT_EQ(model->recount()->binByPrinting(), c.expectedBins);
        expectPreviewDropped(*model, true);
    }
}

TEST_F(ReviewActionsTest, UnconfirmAndConfirmAgainReturnsTheRowToItsBin)
{
    Row r = makeRow(bolt(ScanFinish::foil));
    r.reviewed = true;
    const auto model = withRows({r, makeRow(std::nullopt, {shock()})}, {{"bolt:foil", "B1"}});
    model->unconfirm(r.id);
    EXPECT_EQ(row(*model, r.id).pendingReclassifyBin, QStringLiteral("B1"));
    EXPECT_EQ(row(*model, r.id).pendingReclassifyFinish, ScanFinish::foil);
    EXPECT_FALSE(row(*model, r.id).reviewed);
    EXPECT_EQ(model->statusMessage(), model->reviewStatusMessage());
    EXPECT_EQ(model->needsReviewCount(), 2);

    // The bin kept by the row wins over what the map holds meanwhile.
    test::testAccess(*model).setBinByPrinting({{"bolt:foil", "B9"}});
    model->confirm(r.id, bolt(ScanFinish::foil));
    const Row& after = row(*model, r.id);
    EXPECT_EQ(model->recount()->binByPrinting().at("bolt:foil"), QStringLiteral("B1"));
    EXPECT_FALSE(after.pendingReclassifyBin);
    EXPECT_FALSE(after.pendingReclassifyFinish);
    EXPECT_TRUE(after.userTouchedFinish);
    EXPECT_FALSE(after.reviewed);
    EXPECT_EQ(model->needsReviewCount(), 1);
}

TEST_F(ReviewActionsTest, UnknownRowIdsChangeNoRow)
{
    struct Case {
        const char* name;
        std::function<void(CaptureViewModel&, QUuid)> op;
        bool dropsPreview;
        bool refreshesStatus;
    };
    const Case cases[] = {
        {"confirm", [](CaptureViewModel& m, QUuid id) { m.confirm(id, shock()); }, true, true},
        {"skip", [](CaptureViewModel& m, QUuid id) { m.skip(id); }, true, true},
        {"unconfirm", [](CaptureViewModel& m, QUuid id) { m.unconfirm(id); }, true, true},
        {"reviewed", [](CaptureViewModel& m, QUuid id) { m.setReviewed(id, true); }, false, false},
        {"finish", [](CaptureViewModel& m, QUuid id) { m.setFinish(id, ScanFinish::foil); }, true, false},
        {"variant", [](CaptureViewModel& m, QUuid id) { m.setArtSeriesVariant(id, ArtSeriesVariant::plain); }, true,
         false},
        {"search", [](CaptureViewModel& m, QUuid id) { test::waitFor(m.search(id, QStringLiteral("bolt"))); }, false,
         false},
        {"rotate", [](CaptureViewModel& m, QUuid id) { test::waitFor(m.rotateAndReanalyze(id)); }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Row> rows{makeRow(signatureArt()), makeRow(std::nullopt, {bolt()})};
        const BinMap bins{{"art:nonfoil:signature", "S1"}};
        const auto model = withRows(rows, bins);
        c.op(*model, QUuid::createUuid());
        ASSERT_EQ(model->rows().size(), 2u);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(model->rows()[i].chosen, rows[i].chosen);
            EXPECT_EQ(model->rows()[i].candidates, rows[i].candidates);
            EXPECT_EQ(model->rows()[i].reviewed, rows[i].reviewed);
        }
        EXPECT_EQ(model->recount()->binByPrinting(), bins);
        expectPreviewDropped(*model, c.dropsPreview);
        EXPECT_EQ(model->statusMessage(), c.refreshesStatus ? model->reviewStatusMessage() : QStringLiteral("stale"));
    }
    EXPECT_TRUE(resolver->calls->isEmpty()); // no search for a row that is not there
}

TEST_F(ReviewActionsTest, ReviewedMarksOnlyConfirmedRows)
{
    const Row confirmed = makeRow(bolt());
    const Row open = makeRow(std::nullopt, {bolt()});
    const Row other = makeRow(shock());
    const auto model = withRows({confirmed, open, other});

    model->setReviewed(open.id, true);
    EXPECT_FALSE(row(*model, open.id).reviewed);
    model->setReviewed(QSet<QUuid>{confirmed.id, open.id}, true);
    EXPECT_TRUE(row(*model, confirmed.id).reviewed);
    EXPECT_FALSE(row(*model, open.id).reviewed);
    EXPECT_FALSE(row(*model, other.id).reviewed);
    model->setReviewed(QSet<QUuid>{}, false);
    EXPECT_TRUE(row(*model, confirmed.id).reviewed);
    model->setReviewed(confirmed.id, false);
    EXPECT_FALSE(row(*model, confirmed.id).reviewed);
    expectPreviewDropped(*model, false); // signing off does not change the plan
}

TEST_F(ReviewActionsTest, BulkFinishChangesOnlyConfirmedRowsAndPrintingFlipMovesTheSelection)
{
    const Row confirmed = makeRow(bolt(), {bolt(), shock()});
    const Row open = makeRow(std::nullopt, {shock()});
    auto model = withRows({confirmed, open});
    model->setAllConfirmedFinish(ScanFinish::foil);
    EXPECT_EQ(row(*model, confirmed.id).chosen->finish, ScanFinish::foil);
    EXPECT_EQ(row(*model, confirmed.id).candidates[1].finish, ScanFinish::foil);
    EXPECT_TRUE(row(*model, confirmed.id).userTouchedFinish);
    EXPECT_EQ(row(*model, open.id).candidates, open.candidates);
    EXPECT_FALSE(row(*model, open.id).userTouchedFinish);

    // Equal finishes: nothing at all, the preview stays.
    model = withRows({confirmed}, {{"bolt:nonfoil", "B1"}});
    test::testAccess(*model).setSelectedPrintings({"bolt:nonfoil"});
    model->setFinishForPrinting("bolt", ScanFinish::nonfoil, ScanFinish::nonfoil);
    expectPreviewDropped(*model, false);
    // Different finishes move the entry and the selection even when no row is that printing.
    model->setFinishForPrinting("bolt", ScanFinish::etched, ScanFinish::surge);
    EXPECT_EQ(model->recount()->selectedPrintings(), QSet<QString>{"bolt:nonfoil"});
    model->setFinishForPrinting("bolt", ScanFinish::nonfoil, ScanFinish::foil);
    EXPECT_EQ(model->recount()->selectedPrintings(), QSet<QString>{"bolt:foil"});
    EXPECT_EQ(model->recount()->binByPrinting(), (BinMap{{"bolt:foil", "B1"}}));
    EXPECT_EQ(row(*model, confirmed.id).chosen->finish, ScanFinish::foil);
    model = withRows({}, {{"gone:foil", "G"}});
    test::testAccess(*model).setSelectedPrintings({"gone:foil"});
    model->setFinishForPrinting("gone", ScanFinish::foil, ScanFinish::nonfoil);
    EXPECT_EQ(model->recount()->binByPrinting(), (BinMap{{"gone:nonfoil", "G"}}));
    EXPECT_EQ(model->recount()->selectedPrintings(), QSet<QString>{"gone:nonfoil"});
    expectPreviewDropped(*model, true);
}

TEST_F(ReviewActionsTest, ManualCardsAreConfirmedRowsAfterTheLast)
{
    struct Case {
        int quantity;
        int added;
    };
    for (const Case c : {Case{0, 1}, Case{-2, 1}, Case{3, 3}}) {
        SCOPED_TRACE(c.quantity);
        const auto model = withRows({makeRow(std::nullopt, {shock()})});
        EXPECT_EQ(model->addManualCard(bolt(), c.quantity), c.added);
        ASSERT_EQ(model->rows().size(), std::size_t(1 + c.added));
        QSet<QUuid> ids;
        QSet<QString> paths;
        for (int i = 1; i <= c.added; ++i) {
            const Row& r = model->rows()[std::size_t(i)];
            ids.insert(r.id);
            paths.insert(r.card.front);
            EXPECT_EQ(r.card.index, i);
            EXPECT_TRUE(r.card.front.startsWith("manual://"));
            EXPECT_FALSE(r.card.back);
            EXPECT_EQ(r.chosen, bolt());
            EXPECT_EQ(r.candidates, std::vector<Candidate>{bolt()});
            EXPECT_EQ(r.disposition, Disposition::review);
            EXPECT_TRUE(r.isManual && r.userTouchedFinish);
            EXPECT_FALSE(r.reviewed || r.thumbnail || r.contentHash || r.scanIdentityHash);
        }
        EXPECT_EQ(ids.size(), c.added);
        EXPECT_EQ(paths.size(), c.added);
        EXPECT_EQ(model->needsReviewCount(), 1);
        EXPECT_EQ(model->statusMessage(), model->reviewStatusMessage());
        expectPreviewDropped(*model, true);
    }
}

TEST_F(ReviewActionsTest, SkipRemovesTheRowAndNothingElse)
{
    const Row a = makeRow(bolt()), b = makeRow(shock()), c = makeRow(std::nullopt);
    const auto model = withRows({a, b, c}, {{"shock:nonfoil", "B1"}});
    model->skip(b.id);
    ASSERT_EQ(model->rows().size(), 2u);
    EXPECT_EQ(model->rows()[0].id, a.id);
    EXPECT_EQ(model->rows()[1].id, c.id);
    EXPECT_EQ(model->recount()->binByPrinting().size(), 1u);
    expectPreviewDropped(*model, true);
    model->skip(a.id);
    model->skip(c.id);
    EXPECT_EQ(model->statusMessage(), QStringLiteral("No cards left in this batch."));
}

TEST_F(ReviewActionsTest, NewBatchEmptiesTheListButKeepsTheRecountPlan)
{
    const auto model = withRows({makeRow(bolt())}, {{"bolt:nonfoil", "B1"}});
    test::testAccess(*model).setBin(QStringLiteral("A7"));
    test::testAccess(*model).setSelectedPrintings({"bolt:nonfoil"});
    test::testAccess(*model).setImportError(QStringLiteral("failed"));
    test::testAccess(*model).setLastRecountResult(CaptureViewModel::LastRecountResult{{"A1"}, 1, 2});
    test::testAccess(*model).setScanOrientationHintDismissed(true);
    model->showToast(QStringLiteral("hello"));
    const qint64 generation = model->ingestGeneration();

    model->startNewBatch();
    EXPECT_TRUE(model->rows().empty());
    EXPECT_EQ(model->statusMessage(), QString());
    EXPECT_FALSE(model->importError() || model->toast() || model->recount()->lastRecountResult() || model->progress());
    EXPECT_FALSE(model->scanOrientationHintDismissed());
    EXPECT_EQ(model->ingestGeneration(), generation + 1);
    EXPECT_EQ(model->bin(), QStringLiteral("A7"));
    EXPECT_EQ(model->recount()->binByPrinting().size(), 1u);
    EXPECT_EQ(model->recount()->selectedPrintings().size(), 1);
    expectPreviewDropped(*model, false);
    clock.advance(CaptureViewModel::toastDuration * 2); // the cancelled dismissal does nothing
    EXPECT_FALSE(model->toast());
}

TEST_F(ReviewActionsTest, ContinueAddingToBin)
{
    const auto model = makeModel();
    test::testAccess(*model).setReplaceMode(true);
    test::testAccess(*model).setLastRecountResult(CaptureViewModel::LastRecountResult{{"A1"}, 1, 2});
    model->continueAddingToBin(QStringLiteral(" A1 "));
    EXPECT_FALSE(model->recount()->replaceMode());
    EXPECT_EQ(model->bin(), QStringLiteral(" A1 "));
    EXPECT_FALSE(model->recount()->lastRecountResult());
    EXPECT_EQ(model->statusMessage(),
              QStringLiteral("Adding to bin  A1 . Scan the next stack \u2014 Import will mint new copies into  A1 ."));
}

TEST_F(ReviewActionsTest, ManualAddSearchSendsTheTextAsTypedWithItsKind)
{
    resolver->onSearch = [](const QString& text, ScanFinish finish) {
        return std::vector<Candidate>{makeCandidate(text, text, "tst", "1", 0.5, finish)};
    };
    const auto model = makeModel();
    struct Case {
        const char* typed;
        ManualSearchKind kind;
        const char* sent; // nullptr: no search
    };
    const Case cases[] = {
        {"  \t\n ", ManualSearchKind::any, nullptr},
        {" Goblin Art ", ManualSearchKind::art, "Goblin Art is:artseries"},
        {"\"Ach! Hans, Run!\" & #1", ManualSearchKind::any, "\"Ach! Hans, Run!\" & #1"},
        {"Æther Vial", ManualSearchKind::token, "Æther Vial t:token"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        resolver->calls->clear();
        const auto results =
            test::waitFor(model->searchForManualAdd(QString::fromUtf8(c.typed), ScanFinish::etched, c.kind));
        ASSERT_TRUE(results);
        if (!c.sent) {
            EXPECT_TRUE(results->empty());
            EXPECT_TRUE(resolver->calls->isEmpty());
            continue;
        }
        ASSERT_EQ(results->size(), 1u);
        EXPECT_EQ(results->front().scryfallId, QString::fromUtf8(c.sent));
        EXPECT_EQ(*resolver->calls, QStringList{QStringLiteral("search ") + QString::fromUtf8(c.sent) + " etched"});
    }
    EXPECT_TRUE(model->rows().empty());
}

TEST_F(ReviewActionsTest, ANewerSearchSupersedesAnOlderOneThatAnswersLast)
{
    const auto held = std::make_shared<HeldResolver>();
    const auto model = makeModel(held);
    Row r = makeRow(std::nullopt, {bolt()});
    r.pendingReclassifyFinish = ScanFinish::foil;
    test::testAccess(*model).setRows({r});

    auto older = model->search(r.id, QStringLiteral("older"));
    auto newer = model->search(r.id, QStringLiteral(" newer\t"));
    (*held->open)["newer"] = true;
    test::waitFor(std::move(newer));
    (*held->open)["older"] = true;
    test::waitFor(std::move(older));
    EXPECT_EQ(*held->calls, (QStringList{"older foil", "newer foil"}));
    ASSERT_EQ(model->rows()[0].candidates.size(), 1u);
    EXPECT_EQ(model->rows()[0].candidates[0].scryfallId, QStringLiteral("newer"));
    EXPECT_FALSE(model->rows()[0].chosen);

    // The sheet: the older search answers none, so its results never replace the newer ones.
    auto olderSheet = model->searchForManualAdd(QStringLiteral("a"), ScanFinish::nonfoil, ManualSearchKind::any);
    auto newerSheet = model->searchForManualAdd(QStringLiteral("b"), ScanFinish::nonfoil, ManualSearchKind::any);
    (*held->open)["b"] = true;
    const auto newerResults = test::waitFor(std::move(newerSheet));
    (*held->open)["a"] = true;
    EXPECT_FALSE(test::waitFor(std::move(olderSheet)));
    ASSERT_TRUE(newerResults);
    EXPECT_EQ(newerResults->front().scryfallId, QStringLiteral("b"));

    // A row skipped while its search runs stays gone.
    auto orphan = model->search(r.id, QStringLiteral("late"));
    model->skip(r.id);
    (*held->open)["late"] = true;
    test::waitFor(std::move(orphan));
    EXPECT_TRUE(model->rows().empty());
}

TEST_F(ReviewActionsTest, RowSearchUsesTheRowsFinishAndIgnoresBlankQueries)
{
    resolver->onSearch = [](const QString& text, ScanFinish finish) {
        return std::vector<Candidate>{makeCandidate(text, text, "tst", "1", 0.5, finish)};
    };
    const Row r = makeRow(bolt(ScanFinish::etched));
    const auto model = withRows({r}, {{"bolt:etched", "B1"}});
    test::waitFor(model->search(r.id, QStringLiteral(" \t\n")));
    EXPECT_TRUE(resolver->calls->isEmpty());
    test::waitFor(model->search(r.id, QStringLiteral("set:m21 #162 & \"bolt\"")));
    EXPECT_EQ(*resolver->calls, QStringList{"search set:m21 #162 & \"bolt\" etched"});
    const Row& after = row(*model, r.id);
    EXPECT_EQ(after.candidates.front().finish, ScanFinish::etched);
    EXPECT_EQ(after.chosen, bolt(ScanFinish::etched)); // the choice and its plan stay
    expectPreviewDropped(*model, false);
}

TEST_F(ReviewActionsTest, AMatchTheUserPicksByHandIsNoLongerAutomaticAndSettlesAMultiFeed)
{
    resolver->onSearch = [](const QString& text, ScanFinish finish) {
        return std::vector<Candidate>{makeCandidate("found", text, "tst", "1", 0.5, finish)};
    };
    Row multiFeed;
    multiFeed.id = QUuid::createUuid();
    multiFeed.card.front = QStringLiteral("/scans/two.png");
    multiFeed.disposition = Disposition::unresolved;
    multiFeed.isMultiFeed = true;
    multiFeed.readNote = CaptureViewModel::multiFeedNote();
    const Row automatic = makeRow(bolt(), {bolt(), shock()});

    using CardRowTexts::Symbol;
    const Symbol autoGlyph = Symbol::checkmarkCircleFill;
    struct Case {
        const char* name;
        std::function<void(CaptureViewModel&)> act;
        QString status;
        Symbol glyph;   // of the automatic row
        qint64 multiFeedChip;
    };
    const QString untouched = "2 cards · 1 confirmed · 1 auto-confirmed · 1 needs review · 1 multi-feed";
    const std::vector<Case> cases = {
        {"nothing done", [](CaptureViewModel&) {}, untouched, autoGlyph, 1},
        {"another candidate after Change",
         [&](CaptureViewModel& m) {
             m.unconfirm(automatic.id);
             m.confirm(automatic.id, shock());
         },
         "2 cards · 1 confirmed · 0 auto-confirmed · 1 needs review · 1 multi-feed", Symbol::checkmarkCircle, 1},
        {"a search result after Change",
         [&](CaptureViewModel& m) {
             m.unconfirm(automatic.id);
             test::waitFor(m.search(automatic.id, QStringLiteral("Chain Lightning")));
             m.confirm(automatic.id, row(m, automatic.id).candidates.front());
         },
         "2 cards · 1 confirmed · 0 auto-confirmed · 1 needs review · 1 multi-feed", Symbol::checkmarkCircle, 1},
        {"Change alone",
         [&](CaptureViewModel& m) { m.unconfirm(automatic.id); },
         "2 cards · 0 confirmed · 0 auto-confirmed · 2 need review · 1 multi-feed", Symbol::questionmarkCircle, 1},
        // The matched card stands; only how it was printed changed.
        {"finish and variant only",
         [&](CaptureViewModel& m) {
             m.setFinish(automatic.id, ScanFinish::foil);
             m.setAllConfirmedFinish(ScanFinish::etched);
             m.setArtSeriesVariant(automatic.id, ArtSeriesVariant::signature);
             m.refreshReviewStatusMessage();
         },
         untouched, autoGlyph, 1},
        {"the multi-feed resolved from a search",
         [&](CaptureViewModel& m) {
             test::waitFor(m.search(multiFeed.id, QStringLiteral("Opt")));
             m.confirm(multiFeed.id, row(m, multiFeed.id).candidates.front());
         },
         "2 cards · 2 confirmed · 1 auto-confirmed · 0 need review", autoGlyph, 0},
        {"the resolved multi-feed changed back",
         [&](CaptureViewModel& m) {
             test::waitFor(m.search(multiFeed.id, QStringLiteral("Opt")));
             m.confirm(multiFeed.id, row(m, multiFeed.id).candidates.front());
             m.unconfirm(multiFeed.id);
         },
         untouched, autoGlyph, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto model = withRows({multiFeed, automatic});
        model->refreshReviewStatusMessage();
        c.act(*model);
        EXPECT_EQ(model->statusMessage(), c.status);
        const Row& r = row(*model, automatic.id);
        EXPECT_EQ(CardRowTexts::statusGlyph(r.disposition, r.chosen.has_value()).symbol, c.glyph);
        EXPECT_EQ(model->multiFeedCount(), c.multiFeedChip);
        EXPECT_EQ(FinishBarCounts::of(model->rows(), true).multiFeed, c.multiFeedChip);
    }
}

} // namespace
} // namespace vantry
