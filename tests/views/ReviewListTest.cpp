#include "views/ReviewList.h"

#include "platform/VirtualDelayScheduler.h"
#include "support/RecordingResolver.h"
#include "support/TempHome.h"
#include "support/WheelTurn.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace vantry {
namespace {

using test::makeCandidate;
using Row = CaptureViewModel::Row;

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

class ReviewListTest : public ::testing::Test {
protected:
    test::TempHome home;
    VirtualDelayScheduler clock;
    std::shared_ptr<CaptureViewModel> model = [this] {
        CaptureViewModel::Collaborators c;
        c.resolver = std::make_shared<test::RecordingResolver>();
        c.artMatcher = std::shared_ptr<const ArtCardMatching>();
        c.scheduler = &clock;
        return CaptureViewModel::create(nullptr, std::move(c));
    }();
    // Images from a closed port: they fail at once and never leave the machine.
    CardRowOptions options{std::make_shared<CatalogImageCache>(), QStringLiteral("http://127.0.0.1:9/"), false};

    void fill(int count)
    {
        std::vector<Row> rows;
        for (int i = 0; i < count; ++i) {
            Row row;
            row.id = QUuid::createUuid();
            row.card.index = i;
            row.card.front = QStringLiteral("/scans/scan_%1.jpg").arg(i + 1, 4, 10, QChar('0'));
            const Candidate c = makeCandidate(QStringLiteral("id%1").arg(i), QStringLiteral("Card %1").arg(i), "neo",
                                              QString::number(i + 1), 0.9);
            row.candidates = {c, makeCandidate(QStringLiteral("alt%1").arg(i), "Alternative", "2x2", "7", 0.3)};
            if (i % 3 != 0)
                row.chosen = c;
            row.disposition = i % 3 == 0 ? Disposition::review : Disposition::autoConfirm;
            rows.push_back(std::move(row));
        }
        test::testAccess(*model).setRows(std::move(rows));
    }
    std::vector<QUuid> ids(const std::function<bool(const Row&)>& keep = {}) const
    {
        std::vector<QUuid> out;
        for (const Row& row : model->rows())
            if (!keep || keep(row))
                out.push_back(row.id);
        return out;
    }
    std::unique_ptr<ReviewList> open()
    {
        auto list = std::make_unique<ReviewList>(model, options);
        list->resize(900, 700);
        list->show();
        list->setRows(model->rows(), ids());
        settle();
        return list;
    }
};

TEST_F(ReviewListTest, ARowKeepsItsWidgetSearchTextAndPopoverAcrossFilterAndOrderChanges)
{
    fill(12);
    auto list = open();
    const QUuid searched = model->rows()[0].id; // needs review
    const QUuid zoomed = model->rows()[1].id;   // confirmed
    CardRow* searchedRow = list->rowWidget(searched);
    CardRow* zoomedRow = list->rowWidget(zoomed);
    ASSERT_TRUE(searchedRow && zoomedRow);
    QTest::keyClicks(searchedRow->findChild<QLineEdit*>("searchField"), "Ornithopter");
    zoomedRow->showZoom();
    settle();

    struct Step {
        const char* what;
        std::vector<QUuid> visible;
    };
    std::vector<QUuid> reversed = ids();
    std::reverse(reversed.begin(), reversed.end());
    std::vector<QUuid> evenFirst;
    for (int parity : {0, 1})
        for (std::size_t i = 0; i < model->rows().size(); ++i)
            if (int(i % 2) == parity)
                evenFirst.push_back(model->rows()[i].id);
    const std::vector<Step> steps{
        {"reverse order", reversed},
        {"even rows first", evenFirst},
        {"only the first two", {searched, zoomed}},
        {"the first two swapped", {zoomed, searched}},
        {"everything again", ids()},
    };
    int anchoredSteps = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const int y = zoomedRow->y();
        list->setRows(model->rows(), step.visible);
        settle();
        EXPECT_EQ(list->rowWidget(searched), searchedRow);
        EXPECT_EQ(list->rowWidget(zoomed), zoomedRow);
        EXPECT_EQ(searchedRow->query(), "Ornithopter");
        EXPECT_EQ(list->visibleIds(), step.visible);
        // The row with the open popover stays where it was on screen, wherever the order put it.
        EXPECT_TRUE(zoomedRow->isZoomShown());
        EXPECT_TRUE(zoomedRow->isVisible());
        const QScrollBar& bar = *list->verticalScrollBar();
        if (bar.value() > 0 && bar.value() < bar.maximum()) // not held by either end of the list
            EXPECT_EQ(zoomedRow->y(), y);
        anchoredSteps += bar.value() > 0 && bar.value() < bar.maximum();
    }

    EXPECT_GE(anchoredSteps, 1);

    // Filtered out: the widget and its text stay, only the popover closes.
    list->setRows(model->rows(), {searched});
    settle();
    EXPECT_EQ(list->rowWidget(zoomed), zoomedRow);
    EXPECT_FALSE(zoomedRow->isZoomShown());
    EXPECT_FALSE(zoomedRow->isVisible());
    list->setRows(model->rows(), ids());
    settle();
    EXPECT_EQ(list->rowWidget(searched)->query(), "Ornithopter");
}

TEST_F(ReviewListTest, ARowRemovedWhileItsPopoverIsOpenTakesThePopoverWithIt)
{
    fill(5);
    auto list = open();
    const QUuid id = model->rows()[2].id;
    QPointer<CardRow> row = list->rowWidget(id);
    ASSERT_TRUE(row);
    row->showZoom();
    settle();
    QPointer<QWidget> popover = row->zoomPopover();
    ASSERT_TRUE(popover && popover->isVisible());

    model->skip(id);
    list->setRows(model->rows(), ids());
    EXPECT_FALSE(popover->isVisible());
    settle();
    EXPECT_TRUE(row.isNull());
    EXPECT_TRUE(popover.isNull());
    EXPECT_EQ(list->rowWidget(id), nullptr);
    EXPECT_EQ(list->visibleIds().size(), 4u);

    // The list still works: Skip on another row removes that row.
    CardRow* first = list->rowWidget(model->rows()[0].id);
    first->findChild<QAbstractButton*>("skip")->click();
    list->setRows(model->rows(), ids());
    settle();
    EXPECT_EQ(model->rows().size(), 3u);
}

TEST_F(ReviewListTest, OnlyRowsScrolledIntoViewGetWidgetsAndTheyAreLaidOutInOrder)
{
    fill(1000);
    auto list = open();
    EXPECT_LT(list->widgetCount(), 12);
    const auto first = list->rowsInView();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.front(), model->rows()[0].id);

    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    settle();
    const auto last = list->rowsInView();
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(last.back(), model->rows().back().id);
    EXPECT_LT(list->widgetCount(), 30);
    // Placed top to bottom without overlap; the first may start above the viewport.
    int bottom = std::numeric_limits<int>::min();
    for (const QUuid& id : last) {
        const QRect g = list->rowWidget(id)->geometry();
        EXPECT_GE(g.top(), bottom);
        bottom = g.bottom();
    }

    // A filter keeps the order it is given and scrolls within the smaller list.
    const auto reviewOnly = ids([](const Row& r) { return !r.chosen; });
    list->setRows(model->rows(), reviewOnly);
    settle();
    for (const QUuid& id : list->rowsInView())
        EXPECT_TRUE(std::find(reviewOnly.begin(), reviewOnly.end(), id) != reviewOnly.end());
    EXPECT_EQ(list->rowsInView().back(), reviewOnly.back());
}

TEST_F(ReviewListTest, TabRunsDownTheRowsInTheOrderShownAndScrollsEachControlIntoView)
{
    fill(12);
    auto list = open();
    list->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(list.get()));
    // Shown the other way round: the widgets made so far were made top row first.
    std::vector<QUuid> shown = ids();
    std::reverse(shown.begin(), shown.end());
    list->setRows(model->rows(), shown);
    list->verticalScrollBar()->setValue(0);
    settle();

    list->setFocus(Qt::TabFocusReason);
    std::vector<QUuid> visited;
    for (int presses = 0; presses < 200 && visited.size() < shown.size(); ++presses) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        settle();
        QWidget* at = QApplication::focusWidget();
        CardRow* row = nullptr;
        for (QWidget* w = at; w && !row; w = w->parentWidget())
            row = qobject_cast<CardRow*>(w);
        ASSERT_NE(row, nullptr) << "Tab left the list after " << visited.size() << " rows";
        if (visited.empty() || visited.back() != row->rowId())
            visited.push_back(row->rowId());
        const QRect control(at->mapTo(list->viewport(), QPoint(0, 0)), at->size());
        EXPECT_TRUE(list->viewport()->rect().contains(control))
            << "row " << visited.size() << " " << at->objectName().toStdString() << " is out of view";
    }
    EXPECT_TRUE(visited == shown);
    EXPECT_GT(list->verticalScrollBar()->value(), 0);
}

TEST_F(ReviewListTest, TheWheelScrollsPastAFinishPickerUntilTheUserFocusesIt)
{
    fill(40);
    auto list = open();
    list->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(list.get()));
    const QUuid id = model->rows()[1].id; // confirmed: it shows its finish
    auto* picker = list->rowWidget(id)->findChild<QComboBox*>("finishPicker");
    ASSERT_TRUE(picker && picker->isVisible());
    const ScanFinish finish = model->rows()[1].chosen->finish;

    test::turnWheel(picker, -1);
    settle();
    EXPECT_EQ(model->rows()[1].chosen->finish, finish);
    EXPECT_GT(list->verticalScrollBar()->value(), 0) << "the list scrolled instead";

    list->verticalScrollBar()->setValue(0);
    settle();
    picker->setFocus(Qt::MouseFocusReason);
    test::turnWheel(picker, -1);
    settle();
    EXPECT_NE(model->rows()[1].chosen->finish, finish);
    EXPECT_EQ(list->verticalScrollBar()->value(), 0);
}

} // namespace
} // namespace vantry
