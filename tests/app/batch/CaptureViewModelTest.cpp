#include "app/batch/CaptureViewModel.h"

#include "core/support/StdoutTrace.h"
#include "support/MarkerRecognizer.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "core/art/ArtSeriesStampingResolver.h"
#include "core/recognition/VisionCardRecognizer.h"
#include "core/resolution/VantryCardResolver.h"
#include "platform/VirtualDelayScheduler.h"
#include "support/RecordingResolver.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QMetaProperty>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>

namespace vantry {
namespace {

using test::makeCandidate;

class FixedArtMatcher final : public ArtCardMatching {
public:
    explicit FixedArtMatcher(std::vector<ArtCardEntry> entries) : entries_(std::move(entries)) {}
    QCoro::Task<std::vector<Candidate>> match(QImage, ScanFinish, CPULane) const override { co_return {}; }
    const std::vector<ArtCardEntry>& entries() const override { return entries_; }

private:
    std::vector<ArtCardEntry> entries_;
};

QCoro::Task<std::optional<FoilDetectionService::DetectionResult>>
answer(std::optional<FoilDetectionService::DetectionResult> result)
{
    co_return result;
}

class CaptureViewModelTest : public ::testing::Test {
protected:
    test::TempHome home;
    VirtualDelayScheduler clock;

    std::shared_ptr<CaptureViewModel> makeModel(CaptureViewModel::Collaborators c = {})
    {
        if (!c.recognizer)
            c.recognizer = std::make_shared<test::MarkerRecognizer>();
        if (!c.resolver)
            c.resolver = std::make_shared<test::RecordingResolver>();
        if (!c.artMatcher)
            c.artMatcher = std::shared_ptr<const ArtCardMatching>();
        c.scheduler = &clock;
        return CaptureViewModel::create(nullptr, std::move(c));
    }

    static CaptureViewModel::Row row(std::optional<Candidate> chosen = std::nullopt,
                                     Disposition disposition = Disposition::review)
    {
        CaptureViewModel::Row r;
        r.id = QUuid::createUuid();
        r.chosen = chosen;
        r.disposition = disposition;
        if (chosen)
            r.candidates = {*chosen};
        return r;
    }
};

TEST_F(CaptureViewModelTest, GivenResolverIsWrappedWithTheArtIdsAndGivenRecognizerIsKept)
{
    auto resolver = std::make_shared<test::RecordingResolver>();
    auto recognizer = std::make_shared<test::MarkerRecognizer>();
    ArtCardEntry entry;
    entry.scryfallId = QStringLiteral("art-1");
    CaptureViewModel::Collaborators c;
    c.resolver = resolver;
    c.recognizer = recognizer;
    c.artMatcher = std::make_shared<FixedArtMatcher>(std::vector<ArtCardEntry>{entry});
    const auto model = makeModel(std::move(c));

    EXPECT_EQ(model->recognizer().get(), recognizer.get());
    const auto* stamping = dynamic_cast<const ArtSeriesStampingResolver*>(model->resolver().get());
    ASSERT_NE(stamping, nullptr);
    EXPECT_EQ(stamping->wrapped().get(), resolver.get());
    EXPECT_EQ(stamping->artIds(), QSet<QString>{QStringLiteral("art-1")});

    // Without an art matcher the stamping resolver stamps nothing.
    const auto plain = makeModel();
    EXPECT_TRUE(dynamic_cast<const ArtSeriesStampingResolver&>(*plain->resolver()).artIds().isEmpty());
}

TEST_F(CaptureViewModelTest, DefaultResolverKeepsTheServiceURLOfItsCreation)
{
    SettingsStore::standard()->setString(SettingsKeys::apiURL, QStringLiteral("https://one.test"));
    CaptureViewModel::Collaborators c;
    c.artMatcher = std::shared_ptr<const ArtCardMatching>();
    c.scheduler = &clock;
    const auto model = CaptureViewModel::create(nullptr, std::move(c));
    SettingsStore::standard()->setString(SettingsKeys::apiURL, QStringLiteral("https://two.test"));

    const auto& stamping = dynamic_cast<const ArtSeriesStampingResolver&>(*model->resolver());
    const auto* service = dynamic_cast<const VantryCardResolver*>(stamping.wrapped().get());
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->base(), QStringLiteral("https://one.test"));
    EXPECT_NE(dynamic_cast<const VisionCardRecognizer*>(model->recognizer().get()), nullptr);
}

TEST_F(CaptureViewModelTest, EveryPublishedValueIsAPropertyAnnouncedOnEachAssignment)
{
    const auto model = makeModel();
    CaptureViewModel& m = *model;
    const test::CaptureViewModelTestAccess arrange(m);
    BatchRecount* recount = m.recount();
    InventoryBinList* bins = m.binList();
    // Each published value, where it lives, and an assignment of the value it already holds.
    const std::vector<std::tuple<QObject*, const char*, std::function<void()>>> published{
        {&m, "rows", [&] { arrange.setRows(m.rows()); }},
        {&m, "isWorking", [&] { arrange.setIsWorking(m.isWorking()); }},
        {&m, "isImporting", [&] { arrange.setIsImporting(m.isImporting()); }},
        {&m, "statusMessage", [&] { arrange.setStatusMessage(m.statusMessage()); }},
        {&m, "importError", [&] { arrange.setImportError(m.importError()); }},
        {&m, "toast", [&] { arrange.setToast(m.toast()); }},
        {&m, "scanOrientationHintDismissed",
         [&] { arrange.setScanOrientationHintDismissed(m.scanOrientationHintDismissed()); }},
        {&m, "progress", [&] { arrange.setProgress(m.progress()); }},
        {&m, "lastImportedSession", [&] { arrange.setLastImportedSession(m.lastImportedSession()); }},
        {&m, "prefHealMessage", [&] { arrange.setPrefHealMessage(m.prefHealMessage()); }},
        {&m, "bin", [&] { arrange.setBin(m.bin()); }},
        {recount, "lastRecountResult", [&] { arrange.setLastRecountResult(recount->lastRecountResult()); }},
        {recount, "replaceMode", [&] { arrange.setReplaceMode(recount->replaceMode()); }},
        {recount, "replaceBinsText", [&] { arrange.setReplaceBinsText(recount->replaceBinsText()); }},
        {recount, "selectedPrintings", [&] { arrange.setSelectedPrintings(recount->selectedPrintings()); }},
        {recount, "binByPrinting", [&] { arrange.setBinByPrinting(recount->binByPrinting()); }},
        {recount, "pendingPreview", [&] { arrange.setPendingPreview(recount->pendingPreview()); }},
        {recount, "showReplaceConfirm", [&] { arrange.setShowReplaceConfirm(recount->showReplaceConfirm()); }},
        {bins, "inventoryBins", [&] { arrange.setInventoryBins(bins->inventoryBins()); }},
        {bins, "inventoryBinsLoadedAt", [&] { arrange.setInventoryBinsLoadedAt(bins->inventoryBinsLoadedAt()); }},
        {bins, "inventoryBinsError", [&] { arrange.setInventoryBinsError(bins->inventoryBinsError()); }},
        {bins, "isLoadingInventoryBins", [&] { arrange.setIsLoadingInventoryBins(bins->isLoadingInventoryBins()); }},
    };
    for (const auto& [object, name, reassign] : published) {
        const QMetaObject& meta = *object->metaObject();
        const int index = meta.indexOfProperty(name);
        ASSERT_GE(index, 0) << name;
        const QMetaProperty property = meta.property(index);
        // Read-only outside the model: only its operations change it.
        EXPECT_TRUE(property.hasNotifySignal() && !property.isWritable()) << name;
        // An assignment of the value it already holds is announced too.
        QSignalSpy spy(object, property.notifySignal());
        reassign();
        EXPECT_EQ(spy.count(), 1) << name;
    }
    // The sub-objects are the model's own, for its whole life.
    for (const char* name : {"recount", "binList"}) {
        const QMetaProperty property = m.metaObject()->property(m.metaObject()->indexOfProperty(name));
        EXPECT_TRUE(property.isConstant()) << name;
        EXPECT_EQ(property.read(&m).value<QObject*>()->parent(), &m) << name;
    }
}

TEST_F(CaptureViewModelTest, RecountModeObserverRunsOnEveryAssignment)
{
    const auto model = makeModel();
    const CaptureViewModel::LastRecountResult result{{QStringLiteral("A1")}, 3, 2};
    QSignalSpy changed(model->recount(), &BatchRecount::replaceModeChanged);

    test::testAccess(*model).setLastRecountResult(result);
    model->recount()->leaveReplaceMode();
    EXPECT_EQ(model->recount()->lastRecountResult(), result);
    model->recount()->enterReplaceMode();
    EXPECT_FALSE(model->recount()->lastRecountResult());
    test::testAccess(*model).setLastRecountResult(result);
    model->recount()->enterReplaceMode(); // the same value again still clears it
    EXPECT_FALSE(model->recount()->lastRecountResult());
    EXPECT_EQ(changed.count(), 3);
}

TEST_F(CaptureViewModelTest, OnlyADifferentBinsTextDropsThePendingPreview)
{
    const auto model = makeModel();
    test::testAccess(*model).setReplaceBinsText(QStringLiteral("A1"));
    test::testAccess(*model).setPendingPreview(ScanReplaceResult{});
    test::testAccess(*model).setReplaceSessionId(QStringLiteral("s-1"));

    model->recount()->editReplaceBinsText(QStringLiteral("A1"));
    EXPECT_TRUE(model->recount()->pendingPreview());
    EXPECT_EQ(model->recount()->replaceSessionId(), QStringLiteral("s-1"));

    model->recount()->editReplaceBinsText(QStringLiteral("A1 A2"));
    EXPECT_FALSE(model->recount()->pendingPreview());
    EXPECT_FALSE(model->recount()->replaceSessionId());
}

TEST_F(CaptureViewModelTest, TrainingStoreThatCannotBeCreatedIsReportedOnceAndStaysAbsent)
{
    test::writeFile(home.file("blocker"), "not a folder");
    CaptureViewModel::Collaborators c;
    c.trainingStoreURL = home.file("blocker/training");
    const auto model = makeModel(std::move(c));

    StdoutTrace::Capture trace;
    EXPECT_EQ(model->trainingStore(), nullptr);
    EXPECT_EQ(model->trainingStore(), nullptr);
    ASSERT_EQ(trace.lines().size(), 1);
    EXPECT_TRUE(trace.lines().front().startsWith(QStringLiteral("[training] store init failed: ")));

    CaptureViewModel::Collaborators good;
    good.trainingStoreURL = home.file("training");
    const auto other = makeModel(std::move(good));
    TrainingDataStore* store = other->trainingStore();
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(other->trainingStore(), store);
}

TEST_F(CaptureViewModelTest, ToastStaysFourSecondsFromTheLatestCall)
{
    const auto model = makeModel();
    QSignalSpy changed(model.get(), &CaptureViewModel::toastChanged);

    model->showToast(QStringLiteral("first"));
    clock.advance(std::chrono::milliseconds(3000));
    model->showToast(QStringLiteral("second"));
    clock.advance(std::chrono::milliseconds(3999));
    EXPECT_EQ(model->toast(), QStringLiteral("second")); // the first dismissal did not clear it
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_FALSE(model->toast());
    EXPECT_EQ(changed.count(), 3); // never hidden in between

    model->showToast(QString()); // an empty toast is still a toast
    EXPECT_EQ(model->toast(), QString());
    model->hideToast();
    model->showToast(QStringLiteral("third"));
    clock.advance(std::chrono::milliseconds(4000));
    EXPECT_FALSE(model->toast());
}

TEST_F(CaptureViewModelTest, ClosedModelWithAPendingToastGoesAwayQuietly)
{
    auto model = makeModel();
    model->showToast(QStringLiteral("bye"));
    std::weak_ptr<CaptureViewModel> weak = model;
    model.reset();
    EXPECT_TRUE(weak.expired());
    clock.advance(std::chrono::milliseconds(5000));
}

TEST_F(CaptureViewModelTest, FoilProbeAppliesOnlyConfidentScoresOfFoilPrintings)
{
    struct Case {
        std::optional<FoilDetectionService::DetectionResult> result;
        std::optional<double> expected;
    };
    auto detection = [](double score, bool available) {
        FoilDetectionService::DetectionResult r;
        r.score = score;
        r.foilAvailable = available;
        return std::optional(r);
    };
    const std::vector<Case> cases{
        {detection(0.4, true), 0.4},
        {detection(0.39, true), std::nullopt},
        {detection(0.9, false), std::nullopt},
        {detection(std::nan(""), true), std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const Case& tc : cases) {
        CaptureViewModel::Collaborators c;
        c.foilProbe = [result = tc.result](QImage, QString) { return answer(result); };
        const auto model = makeModel(std::move(c));
        const auto r = row();
        test::testAccess(*model).setRows({r});
        model->spawnFoilProbe(r.id, QImage(4, 4, QImage::Format_RGB32), QStringLiteral("id-1"));
        clock.advance(std::chrono::milliseconds(200));
        EXPECT_EQ(model->rows().front().autoFoilScore, tc.expected);
    }
}

TEST_F(CaptureViewModelTest, FoilVerdictsWithinOneWindowArePublishedTogether)
{
    const auto model = makeModel();
    const auto a = row(), b = row(), gone = row();
    test::testAccess(*model).setRows({a, b});
    QSignalSpy published(model.get(), &CaptureViewModel::rowsChanged);

    model->enqueueAutoFoilVerdict(a.id, 0.5);
    clock.advance(std::chrono::milliseconds(50));
    model->enqueueAutoFoilVerdict(b.id, 0.6);
    clock.advance(std::chrono::milliseconds(50));
    model->enqueueAutoFoilVerdict(a.id, 0.7); // the later verdict for a row wins
    clock.advance(std::chrono::milliseconds(99));
    EXPECT_EQ(published.count(), 0);
    clock.advance(std::chrono::milliseconds(1));
    ASSERT_EQ(published.count(), 1);
    EXPECT_EQ(model->rows()[0].autoFoilScore, 0.7);
    EXPECT_EQ(model->rows()[1].autoFoilScore, 0.6);

    // A verdict for a row no longer in the batch publishes nothing.
    model->enqueueAutoFoilVerdict(gone.id, 0.9);
    clock.advance(std::chrono::milliseconds(200));
    EXPECT_EQ(published.count(), 1);

    // Dropped verdicts (a new batch) are never applied.
    model->enqueueAutoFoilVerdict(a.id, 0.99);
    model->dropPendingFoilVerdicts();
    clock.advance(std::chrono::milliseconds(200));
    EXPECT_EQ(model->rows()[0].autoFoilScore, 0.7);
}

TEST_F(CaptureViewModelTest, StatusLineAndCountsFollowTheRows)
{
    const auto model = makeModel();
    EXPECT_EQ(model->reviewStatusMessage(),
              QStringLiteral("0 cards \u00B7 0 confirmed \u00B7 0 auto-confirmed \u00B7 0 need review"));
    model->refreshReviewStatusMessage();
    EXPECT_EQ(model->statusMessage(), QStringLiteral("No cards left in this batch."));

    auto autoRow = row(makeCandidate("a", "Bolt", "M21", "162", 0.99), Disposition::autoConfirm);
    auto manual = row(makeCandidate("b", "Shock", "M21", "159"), Disposition::review);
    manual.userTouchedFinish = true;
    manual.isManual = true;
    auto noText = row();
    noText.noTextDetected = true;
    auto multiFeed = row(std::nullopt, Disposition::unresolved);
    multiFeed.isMultiFeed = true;
    auto unresolvedConfirmed = row(makeCandidate("c", "Opt", "ELD", "59"), Disposition::unresolved);
    test::testAccess(*model).setRows({autoRow, manual, noText, multiFeed, unresolvedConfirmed});

    EXPECT_EQ(model->reviewStatusMessage(),
              QStringLiteral("5 cards \u00B7 3 confirmed \u00B7 1 auto-confirmed \u00B7 2 need review "
                             "\u00B7 1 multi-feed"));
    // One card and one to review each take the singular.
    test::testAccess(*model).setRows({noText});
    EXPECT_EQ(model->reviewStatusMessage(),
              QStringLiteral("1 card \u00B7 0 confirmed \u00B7 0 auto-confirmed \u00B7 1 needs review"));
    test::testAccess(*model).setRows({autoRow, manual, noText, multiFeed, unresolvedConfirmed});
    EXPECT_EQ(model->noTextDetectedCount(), 1);
    EXPECT_TRUE(model->hasConfirmedRows());
    const auto items = model->items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items.front().addedBy, QStringLiteral("scanner"));
    EXPECT_EQ(items.front().condition, QStringLiteral("NM"));

    // Raw export statuses: auto, touched -> confirmed, untouched unresolved -> review.
    const QStringList lines = model->rawScanCsvForExport().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[1].trimmed().endsWith(QStringLiteral(",auto"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].trimmed().endsWith(QStringLiteral(",confirmed"))) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].trimmed().endsWith(QStringLiteral(",review"))) << lines[3].toStdString();
}

} // namespace
} // namespace vantry
