#include "views/CaptureView.h"

#include "app/batch/BatchSession.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "views/CardRow.h"
#include "views/FilterChipButton.h"
#include "views/ManualAddSheet.h"
#include "views/ReviewList.h"
#include "platform/FakePreferenceDomains.h"
#include "support/CaptureSessionKit.h"
#include "support/TempHome.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace vantry {
namespace {

void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

class ReviewFilterBarTest : public ::testing::Test {
protected:
    test::TempHome home;
    test::CaptureSessionKit kit;
    FakePreferenceDomains preferences;
    test::FakeAlertPrompter prompter;
    std::shared_ptr<BatchSession> session = kit.make();
    CaptureViewModel& model = *session->viewModel();
    std::unique_ptr<CaptureView> view;

    void SetUp() override
    {
        // Rows 0..4: "Card <i>" in set TST; 1 is foil and dearest, 3 reviewed, 4 unresolved.
        std::vector<CaptureViewModel::Row> rows;
        for (int i = 0; i < 5; ++i) {
            auto row = test::CaptureSessionKit::row(i, i != 4, i == 3);
            if (row.chosen) {
                row.chosen->priceUSD = 1.0 + i;
                row.chosen->priceUsdFoil = 100.0;
                row.chosen->finish = i == 1 ? ScanFinish::foil : ScanFinish::nonfoil;
                row.disposition = Disposition::autoConfirm;
            }
            rows.push_back(row);
        }
        test::testAccess(model).setRows(rows);
        view = std::make_unique<CaptureView>(
            *session, CaptureWindowState::Services{SettingsStore::standard(), &kit.scheduler, &preferences,
                                                   &prompter, {}});
        view->resize(900, 700);
        view->show();
        settle();
    }

    template <class T>
    T* child(const char* name) const
    {
        auto* widget = view->findChild<T*>(name);
        EXPECT_TRUE(widget) << name;
        return widget;
    }
    bool shows(const char* name) const
    {
        auto* widget = view->findChild<QWidget*>(name);
        return widget && widget->isVisible();
    }
    // The scan indexes of the rows the list shows, in list order.
    std::vector<qint64> listed() const
    {
        std::vector<qint64> out;
        for (const QUuid& id : view->visibleRowIds()) {
            for (const auto& row : model.rows())
                if (row.id == id)
                    out.push_back(row.card.index);
        }
        return out;
    }
};

TEST_F(ReviewFilterBarTest, TypingFiltersAtOnceWithACountAndClearBringsEverythingBack)
{
    EXPECT_EQ(listed(), (std::vector<qint64>{4, 0, 1, 2})) << "unresolved first, reviewed row hidden";
    EXPECT_FALSE(shows("searchCount"));
    EXPECT_FALSE(shows("clearSearch"));

    QTest::keyClicks(child<QLineEdit>("reviewSearch"), QStringLiteral("  CARD 2"));
    settle();
    EXPECT_EQ(listed(), (std::vector<qint64>{2}));
    ASSERT_TRUE(shows("searchCount"));
    EXPECT_EQ(child<QLabel>("searchCount")->text(), "1 of 5");
    EXPECT_EQ(view->state().filters.searchText, "  CARD 2") << "the field keeps what was typed";

    QTest::mouseClick(child<QToolButton>("clearSearch"), Qt::LeftButton);
    settle();
    EXPECT_EQ(child<QLineEdit>("reviewSearch")->text(), QString());
    EXPECT_EQ(listed(), (std::vector<qint64>{4, 0, 1, 2}));
    EXPECT_FALSE(shows("searchCount"));
}

TEST_F(ReviewFilterBarTest, ChipsFilterAndResetFiltersShowsEveryRowAgain)
{
    auto* foil = child<FilterChipButton>("chipFoil");
    EXPECT_EQ(foil->count(), 1);
    QTest::mouseClick(foil, Qt::LeftButton);
    settle();
    EXPECT_EQ(listed(), (std::vector<qint64>{1}));
    EXPECT_TRUE(child<FilterChipButton>("chipFoil")->isActive());
    EXPECT_FALSE(child<FilterChipButton>("chipAll")->isActive());
    EXPECT_EQ(child<QPushButton>("markReviewed")->accessibleName(), "Mark 1 reviewed")
        << "the bulk bar signs off the rows on screen";

    QTest::keyClicks(child<QLineEdit>("reviewSearch"), QStringLiteral("card 0"));
    settle();
    EXPECT_TRUE(listed().empty());
    ASSERT_TRUE(shows("filteredEmptyState"));
    EXPECT_EQ(child<QLabel>("filteredEmptyLine")->text(),
              "5 cards in this batch are hidden by the current search or chips.");

    QTest::mouseClick(child<QPushButton>("resetFilters"), Qt::LeftButton);
    settle();
    EXPECT_FALSE(shows("filteredEmptyState"));
    EXPECT_EQ(listed(), (std::vector<qint64>{4, 0, 1, 2, 3})) << "reset shows reviewed rows too";
    EXPECT_FALSE(child<QCheckBox>("hideReviewed")->isChecked());
    EXPECT_EQ(child<QLineEdit>("reviewSearch")->text(), QString());
    EXPECT_TRUE(child<FilterChipButton>("chipAll")->isActive());

    QTest::mouseClick(child<QCheckBox>("hideReviewed"), Qt::LeftButton);
    settle();
    EXPECT_EQ(listed(), (std::vector<qint64>{4, 0, 1, 2}));
}

TEST_F(ReviewFilterBarTest, AChipNamesItsSetCodeAsItStands)
{
    // A set code comes from the catalogue: percent signs in it are text, not placeholders.
    auto rows = model.rows();
    rows[0].chosen->setCode = QStringLiteral("%2a");
    test::testAccess(model).setRows(rows);
    settle();
    auto* chip = child<FilterChipButton>("setChip-%2a");
    ASSERT_TRUE(chip);
    EXPECT_EQ(chip->text(), "%2A");
    EXPECT_EQ(chip->accessibleName(), "%2A, 1");
}

TEST_F(ReviewFilterBarTest, AMatchPickedByHandLeavesTheAutomaticCountAndTheMultiFeedChip)
{
    // Card 5 was matched automatically; card 6 looked like two cards and a search found one.
    auto rows = model.rows();
    auto automatic = test::CaptureSessionKit::row(5, true);
    Candidate other = automatic.candidates.front();
    other.scryfallId = QStringLiteral("other-5");
    other.name = QStringLiteral("Other 5");
    automatic.candidates.push_back(other);
    automatic.disposition = Disposition::autoConfirm;
    auto multiFeed = test::CaptureSessionKit::row(6, false);
    multiFeed.disposition = Disposition::unresolved;
    multiFeed.isMultiFeed = true;
    multiFeed.candidates = test::CaptureSessionKit::row(6, true).candidates;
    rows.push_back(automatic);
    rows.push_back(multiFeed);
    test::testAccess(model).setRows(rows);
    model.refreshReviewStatusMessage();
    settle();
    auto* status = child<QLabel>("statusLine");
    EXPECT_EQ(status->text().toStdString(), "7 cards · 5 confirmed · 5 auto-confirmed · 2 need review · 1 multi-feed");
    ASSERT_TRUE(shows("chipMultiFeed"));
    EXPECT_EQ(child<FilterChipButton>("chipMultiFeed")->count(), 1);

    auto* list = child<ReviewList>("reviewList");
    auto rowWidget = [&](const QUuid& id) {
        list->scrollToRow(id);
        settle();
        CardRow* widget = list->rowWidget(id);
        EXPECT_TRUE(widget);
        return widget;
    };
    // "Change", then the other candidate: a match of the user's own.
    CardRow* changed = rowWidget(automatic.id);
    ASSERT_TRUE(changed);
    QTest::mouseClick(changed->findChild<QAbstractButton*>("change"), Qt::LeftButton);
    settle();
    auto candidates = changed->findChildren<QAbstractButton*>("candidateButton");
    ASSERT_EQ(candidates.size(), 2);
    QTest::mouseClick(candidates[1], Qt::LeftButton);
    settle();
    EXPECT_EQ(status->text().toStdString(), "7 cards · 5 confirmed · 4 auto-confirmed · 2 need review · 1 multi-feed");
    EXPECT_EQ(changed->findChild<QLabel*>("chosenName")->toolTip(), "Other 5");

    // The multi-feed card confirmed by hand is settled: its chip and count go.
    CardRow* settled = rowWidget(multiFeed.id);
    ASSERT_TRUE(settled);
    candidates = settled->findChildren<QAbstractButton*>("candidateButton");
    ASSERT_EQ(candidates.size(), 1);
    QTest::mouseClick(candidates[0], Qt::LeftButton);
    settle();
    EXPECT_EQ(status->text().toStdString(), "7 cards · 6 confirmed · 4 auto-confirmed · 1 needs review");
    EXPECT_FALSE(shows("chipMultiFeed"));
}

TEST_F(ReviewFilterBarTest, TheSortMenuIsBoundLiveToTheSetting)
{
    auto* sort = child<QToolButton>("sortMenu");
    EXPECT_EQ(sort->accessibleName(), "Sort");
    QAction* high = sort->menu()->findChild<QAction*>("sort-priceHighToLow");
    ASSERT_TRUE(high);
    high->trigger();
    settle();
    EXPECT_EQ(SettingsStore::standard()->string(SettingsKeys::reviewSort), QStringLiteral("priceHighToLow"));
    EXPECT_EQ(listed(), (std::vector<qint64>{1, 2, 0, 4})) << "foil price first, unpriced last";
    EXPECT_EQ(sort->accessibleName(), "Price: high to low");
    EXPECT_TRUE(high->isChecked());

    // Changed elsewhere (the settings window): the list follows at once.
    SettingsStore::standard()->setString(SettingsKeys::reviewSort, QStringLiteral("priceLowToHigh"));
    settle();
    EXPECT_EQ(listed(), (std::vector<qint64>{0, 2, 1, 4}));
    EXPECT_TRUE(sort->menu()->findChild<QAction*>("sort-priceLowToHigh")->isChecked());

    // "Reset filters" leaves the order alone.
    QTest::keyClicks(child<QLineEdit>("reviewSearch"), QStringLiteral("nothing"));
    settle();
    QTest::mouseClick(child<QPushButton>("resetFilters"), Qt::LeftButton);
    settle();
    EXPECT_EQ(SettingsStore::standard()->string(SettingsKeys::reviewSort), QStringLiteral("priceLowToHigh"));
}

TEST_F(ReviewFilterBarTest, AddCardOpensOneManualAddSheetWithoutBlocking)
{
    QTest::mouseClick(child<QPushButton>("addCardButton"), Qt::LeftButton);
    // Reaching this line means nothing ran a nested loop until the sheet closed.
    ManualAddSheet* sheet = view->manualAddSheet();
    ASSERT_TRUE(sheet);
    settle();
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(sheet->isModal());
    view->state().requestAddManualCard();
    EXPECT_EQ(view->manualAddSheet(), sheet) << "one sheet at a time";
    EXPECT_EQ(view->findChildren<ManualAddSheet*>().size(), 1);
    sheet->reject();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view->manualAddSheet(), nullptr);
}

} // namespace
} // namespace vantry
