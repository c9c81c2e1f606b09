#include "views/ManualAddSheet.h"

#include "app/batch/CaptureViewModel.h"
#include "support/RecordingResolver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFuture>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPromise>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <QCoroFuture>

#include <gtest/gtest.h>

#include <map>

namespace vantry {
namespace {

void settle()
{
    for (int i = 0; i < 4; ++i)
        QApplication::processEvents();
}

// A catalogue whose answers arrive only when the test releases them, in any order.
class GatedResolver final : public CardResolving {
public:
    std::map<QString, std::shared_ptr<QPromise<std::vector<Candidate>>>>* pending;

    QCoro::Task<std::vector<Candidate>> resolveSetCollector(QString, QString, ScanFinish,
                                                            std::optional<QString>) const override
    {
        co_return std::vector<Candidate>{};
    }

    QCoro::Task<std::vector<Candidate>> searchByName(QString text, ScanFinish) const override
    {
        auto promise = std::make_shared<QPromise<std::vector<Candidate>>>();
        promise->start();
        (*pending)[text] = promise;
        co_return co_await promise->future();
    }
};

Candidate printing(const char* id, const char* name, const char* set = "dom")
{
    return test::makeCandidate(QString::fromUtf8(id), QString::fromUtf8(name), QString::fromUtf8(set),
                                QStringLiteral("168"));
}

class ManualAddSheetTest : public ::testing::Test {
protected:
    std::map<QString, std::shared_ptr<QPromise<std::vector<Candidate>>>> pending;
    std::shared_ptr<CaptureViewModel> model = [this] {
        auto resolver = std::make_shared<GatedResolver>();
        resolver->pending = &pending;
        CaptureViewModel::Collaborators c;
        c.resolver = resolver;
        c.artMatcher = std::shared_ptr<const ArtCardMatching>();
        return CaptureViewModel::create(nullptr, std::move(c));
    }();
    QWidget window;
    QPointer<ManualAddSheet> sheet;

    void SetUp() override
    {
        window.resize(700, 600);
        window.show();
        sheet = new ManualAddSheet(model, &window);
        sheet->open();
        settle();
    }
    void TearDown() override { delete sheet; }

    void answer(const QString& text, std::vector<Candidate> candidates)
    {
        ASSERT_TRUE(pending.count(text)) << text.toStdString();
        auto promise = pending.at(text);
        pending.erase(text);
        promise->addResult(std::move(candidates));
        promise->finish();
        settle();
    }
    // Types into the search field and presses Return there; false when that closed the sheet.
    [[nodiscard]] bool searchFor(const QString& text)
    {
        sheet->searchField()->setFocus();
        sheet->searchField()->selectAll();
        QTest::keyClicks(sheet->searchField(), text);
        QTest::keyClick(sheet->searchField(), Qt::Key_Return);
        settle();
        return sheet && sheet->isVisible();
    }
    QStringList shownNames() const
    {
        QStringList names;
        for (const Candidate& c : sheet->state().results)
            names << c.name;
        return names;
    }
};

TEST_F(ManualAddSheetTest, ANewerSearchSupersedesAnOlderOneAnsweringInEitherOrder)
{
    for (const bool olderLast : {false, true}) {
        ASSERT_TRUE(searchFor(QStringLiteral("llanowar"))) << "Return in the search field closed the sheet";
        EXPECT_FALSE(sheet->searchButton()->isEnabled()) << "searching";
        // Return in the field searches again even while a search runs.
        ASSERT_TRUE(searchFor(QStringLiteral("shivan"))) << "Return in the search field closed the sheet";
        ASSERT_EQ(pending.size(), 2u);
        const std::vector<Candidate> elves{printing("elves", "Llanowar Elves")};
        const std::vector<Candidate> dragons{printing("dragon-a", "Shivan Dragon"),
                                             printing("dragon-b", "Shivan Dragon", "m10")};
        if (olderLast) {
            answer(QStringLiteral("shivan"), dragons);
            answer(QStringLiteral("llanowar"), elves);
        } else {
            answer(QStringLiteral("llanowar"), elves);
            EXPECT_TRUE(sheet->state().isSearching) << "the newer search still runs";
            EXPECT_FALSE(sheet->addButton()->isEnabled());
            answer(QStringLiteral("shivan"), dragons);
        }
        EXPECT_EQ(shownNames(), (QStringList{"Shivan Dragon", "Shivan Dragon"}));
        EXPECT_EQ(sheet->resultsList()->count(), 2);
        EXPECT_EQ(sheet->resultsList()->currentRow(), 0) << "the first result is selected at once";
        EXPECT_TRUE(sheet->addButton()->isEnabled());
        EXPECT_TRUE(sheet->searchButton()->isEnabled());
    }
    EXPECT_TRUE(model->rows().empty()) << "no Return reached Add to batch";
}

TEST_F(ManualAddSheetTest, ReturnInAFieldRunsOnlyThatFieldsAction)
{
    ASSERT_TRUE(searchFor(QStringLiteral("elves"))) << "Return in the search field closed the sheet";
    answer(QStringLiteral("elves"), {printing("elves", "Llanowar Elves")});
    ASSERT_TRUE(sheet->addButton()->isEnabled());

    // With a selection and "Add to batch" enabled, Return in the search field only searches.
    ASSERT_TRUE(searchFor(QStringLiteral("elves again"))) << "Return in the search field closed the sheet";
    EXPECT_TRUE(model->rows().empty());
    EXPECT_EQ(pending.count(QStringLiteral("elves again")), 1u);
    answer(QStringLiteral("elves again"), {printing("elves", "Llanowar Elves")});

    // Return in the quantity only takes the number.
    sheet->quantityField()->setFocus();
    sheet->quantityField()->selectAll();
    QTest::keyClicks(sheet->quantityField(), QStringLiteral("3"));
    QTest::keyClick(sheet->quantityField(), Qt::Key_Return);
    settle();
    EXPECT_TRUE(model->rows().empty());
    EXPECT_EQ(sheet->state().quantity, 3);
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());

    // Return anywhere else is the sheet's default: it adds and closes.
    sheet->resultsList()->setFocus();
    QTest::keyClick(sheet->resultsList(), Qt::Key_Return);
    settle();
    EXPECT_EQ(model->rows().size(), 3u);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(sheet) << "the sheet deletes itself once closed";
}

TEST_F(ManualAddSheetTest, AddUsesTheSheetsFinishAndQuantityWithinOneToNinetyNine)
{
    EXPECT_FALSE(sheet->searchButton()->isEnabled()) << "blank query";
    QTest::keyClicks(sheet->searchField(), QStringLiteral("   "));
    EXPECT_FALSE(sheet->searchButton()->isEnabled());
    QTest::keyClick(sheet->searchField(), Qt::Key_Return);
    EXPECT_TRUE(pending.empty()) << "a blank query never searches";

    QTest::keyClicks(sheet->searchField(), QStringLiteral("elves"));
    QTest::mouseClick(sheet->searchButton(), Qt::LeftButton);
    settle();
    Candidate elves = printing("elves", "Llanowar Elves");
    elves.priceUSD = 0.25;
    elves.priceUsdFoil = 3.5;
    answer(QStringLiteral("elves"), {elves, printing("other", "Elvish Mystic")});

    sheet->quantityField()->setValue(0);
    EXPECT_EQ(sheet->quantityField()->value(), 1);
    sheet->quantityField()->setValue(250);
    EXPECT_EQ(sheet->state().quantity, 99);
    sheet->quantityField()->setValue(2);
    QTest::mouseClick(sheet->findChild<QAbstractButton*>("manualFinish-Foil"), Qt::LeftButton);
    QTest::mouseClick(sheet->addButton(), Qt::LeftButton);
    settle();
    ASSERT_EQ(model->rows().size(), 2u);
    for (const auto& row : model->rows()) {
        ASSERT_TRUE(row.chosen);
        EXPECT_EQ(row.chosen->scryfallId, "elves");
        EXPECT_EQ(row.chosen->finish, ScanFinish::foil);
        EXPECT_EQ(row.chosen->priceUsdFoil, 3.5);
        EXPECT_TRUE(row.isManual);
    }
    EXPECT_FALSE(sheet && sheet->isVisible());
}

TEST_F(ManualAddSheetTest, NoMatchAndCancelLeaveTheBatchAlone)
{
    ASSERT_TRUE(searchFor(QStringLiteral("zzzz"))) << "Return in the search field closed the sheet";
    answer(QStringLiteral("zzzz"), {});
    EXPECT_EQ(sheet->findChild<QLabel*>("placeholderTitle")->text(), "No match");
    EXPECT_FALSE(sheet->addButton()->isEnabled());
    QTest::mouseClick(sheet->findChild<QPushButton*>("manualCancel"), Qt::LeftButton);
    settle();
    EXPECT_TRUE(model->rows().empty());
    EXPECT_FALSE(sheet && sheet->isVisible());
}

TEST_F(ManualAddSheetTest, AnAnswerAfterTheSheetClosedIsDropped)
{
    ASSERT_TRUE(searchFor(QStringLiteral("elves"))) << "Return in the search field closed the sheet";
    sheet->reject();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(sheet);
    answer(QStringLiteral("elves"), {printing("elves", "Llanowar Elves")});
    EXPECT_TRUE(model->rows().empty());
}

} // namespace
} // namespace vantry
