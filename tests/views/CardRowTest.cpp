#include "views/CardRow.h"

#include "views/CatalogImageView.h"
#include "platform/VirtualDelayScheduler.h"
#include "support/FakeHttpServer.h"
#include "support/RecordingResolver.h"
#include "support/TempHome.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QHash>
#include <QDialog>
#include <QCoroTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTcpServer>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace vantry {
namespace {

using test::makeCandidate;
using Row = CaptureViewModel::Row;

void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

QByteArray jpeg(QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

// Holds every recognition until the test opens the gate.
class GatedRecognizer final : public CardRecognizing {
public:
    std::shared_ptr<bool> open = std::make_shared<bool>(false);
    std::shared_ptr<int> calls = std::make_shared<int>(0);

    QCoro::Task<RecognitionOutcome> recognize(QImage, ScanFinish, BackLoader, CPULane) const override
    {
        const auto gate = open;
        ++*calls;
        while (!*gate)
            co_await QCoro::sleepFor(std::chrono::milliseconds(2));
        co_return RecognitionOutcome{};
    }
};

// Answers a search after the delay given for its text, so answers can arrive out of order.
class SlowResolver final : public CardResolving {
public:
    std::shared_ptr<QHash<QString, int>> delays = std::make_shared<QHash<QString, int>>();
    std::shared_ptr<QStringList> answered = std::make_shared<QStringList>();

    QCoro::Task<std::vector<Candidate>> resolveSetCollector(QString, QString, ScanFinish,
                                                            std::optional<QString>) const override
    {
        co_return std::vector<Candidate>{};
    }
    QCoro::Task<std::vector<Candidate>> searchByName(QString text, ScanFinish) const override
    {
        const auto log = answered;
        co_await QCoro::sleepFor(std::chrono::milliseconds(delays->value(text)));
        *log << text;
        co_return std::vector<Candidate>{makeCandidate("s-" + text, "Found " + text, "neo", "1")};
    }
};

class CardRowTest : public ::testing::Test {
protected:
    test::TempHome home;
    VirtualDelayScheduler clock;
    std::shared_ptr<test::RecordingResolver> resolver = std::make_shared<test::RecordingResolver>();
    std::shared_ptr<GatedRecognizer> recognizer = std::make_shared<GatedRecognizer>();
    std::shared_ptr<CaptureViewModel> model = [this] {
        CaptureViewModel::Collaborators c;
        c.recognizer = recognizer;
        c.resolver = resolver;
        c.artMatcher = std::shared_ptr<const ArtCardMatching>();
        c.scheduler = &clock;
        return CaptureViewModel::create(nullptr, std::move(c));
    }();
    test::FakeHttpServer images;
    std::shared_ptr<CatalogImageCache> cache = std::make_shared<CatalogImageCache>();

    Row addRow(std::vector<Candidate> candidates, std::optional<Candidate> chosen = std::nullopt)
    {
        Row row;
        row.id = QUuid::createUuid();
        row.card.index = qint64(model->rows().size());
        row.card.front = home.path() + QStringLiteral("/scan_%1.png").arg(row.card.index + 1, 4, 10, QChar('0'));
        row.candidates = std::move(candidates);
        row.chosen = std::move(chosen);
        row.disposition = row.chosen ? Disposition::autoConfirm : Disposition::review;
        auto rows = model->rows();
        rows.push_back(row);
        test::testAccess(*model).setRows(std::move(rows));
        return row;
    }
    std::unique_ptr<CardRow> open(const QUuid& id, std::shared_ptr<CatalogImageCache> with = nullptr)
    {
        auto row = std::make_unique<CardRow>(
            model, id, CardRowOptions{with ? with : cache, images.baseUrl().toString() + '/', true});
        row->resize(900, row->heightFor(900));
        row->show();
        settle();
        return row;
    }
    const Row& modelRow(const QUuid& id) const
    {
        for (const Row& row : model->rows())
            if (row.id == id)
                return row;
        throw std::runtime_error("row gone");
    }
    static QAbstractButton* button(QWidget& row, const char* name)
    {
        return row.findChild<QAbstractButton*>(name);
    }
    static bool shows(QWidget& row, const char* name)
    {
        auto* widget = row.findChild<QWidget*>(name);
        return widget && widget->isVisible();
    }
};

TEST_F(CardRowTest, ConfirmChangeSkipAndReviewedCallTheModelForThisRowOnly)
{
    const Row other = addRow({makeCandidate("o1", "Other", "neo", "1")});
    const Row row = addRow({makeCandidate("ab1", "Lightning Bolt", "m10", "146", 0.93),
                            makeCandidate("ab2", "Lightning Bolt", "2x2", "117", 0.4)});
    auto widget = open(row.id);

    // Unconfirmed: review header, controls, and a badge that cannot be clicked.
    EXPECT_EQ(widget->findChild<QLabel*>("needsReviewTitle")->text(), "Needs review · card #2");
    EXPECT_TRUE(shows(*widget, "reviewControls"));
    EXPECT_TRUE(shows(*widget, "statusGlyph"));
    EXPECT_FALSE(shows(*widget, "statusBadge"));
    const auto candidates = widget->findChildren<QAbstractButton*>("candidateButton");
    ASSERT_EQ(candidates.size(), 2);
    EXPECT_EQ(candidates[1]->accessibleName(), "Confirm Lightning Bolt 2X2 117");

    candidates[1]->click();
    settle();
    ASSERT_TRUE(modelRow(row.id).chosen);
    EXPECT_EQ(modelRow(row.id).chosen->scryfallId, "ab2");
    EXPECT_FALSE(modelRow(other.id).chosen);
    EXPECT_TRUE(shows(*widget, "chosenHeader"));
    EXPECT_FALSE(shows(*widget, "reviewControls"));
    EXPECT_EQ(widget->findChild<QLabel*>("chosenSet")->text(), "2X2 117");

    // The badge marks reviewed and un-marks it; the row dims while reviewed.
    button(*widget, "statusBadge")->click();
    settle();
    EXPECT_TRUE(modelRow(row.id).reviewed);
    EXPECT_NE(widget->graphicsEffect(), nullptr);
    button(*widget, "statusBadge")->click();
    settle();
    EXPECT_FALSE(modelRow(row.id).reviewed);
    EXPECT_EQ(widget->graphicsEffect(), nullptr);

    button(*widget, "change")->click();
    settle();
    EXPECT_FALSE(modelRow(row.id).chosen);
    EXPECT_TRUE(shows(*widget, "reviewControls"));

    // Skip removes this row and no other; the row reports it is gone.
    bool gone = false;
    QObject::connect(widget.get(), &CardRow::rowGone, [&] { gone = true; });
    button(*widget, "skip")->click();
    settle();
    ASSERT_EQ(model->rows().size(), 1u);
    EXPECT_EQ(model->rows()[0].id, other.id);
    EXPECT_TRUE(gone);
}

TEST_F(CardRowTest, MoreThanSixCandidatesScrollWithinAHeightCapAndSixShowInFull)
{
    struct Case {
        int count;
        bool capped;
    };
    for (const Case c : {Case{6, false}, Case{7, true}}) {
        std::vector<Candidate> candidates;
        for (int i = 0; i < c.count; ++i)
            candidates.push_back(makeCandidate(QString("c%1x").arg(i), QString("Card %1").arg(i), "neo", "1"));
        auto widget = open(addRow(candidates).id);
        auto* area = widget->findChild<QScrollArea*>("candidateList");
        const int content = area->widget()->sizeHint().height();
        SCOPED_TRACE(c.count);
        if (c.capped) {
            EXPECT_EQ(area->height(), 160);
            EXPECT_GT(content, 160);
            EXPECT_TRUE(area->verticalScrollBar()->isVisible());
        } else {
            EXPECT_EQ(area->height(), content);
            EXPECT_GT(content, 160); // six are taller than the cap, and still not cut
            EXPECT_FALSE(area->verticalScrollBar()->isVisible());
        }
    }
}

TEST_F(CardRowTest, FinishAndVariantPickersSetTheModelAndShowWhatItPublishes)
{
    Candidate art = makeCandidate("ar1", "Goblin Art", "aneo", "12");
    art.isArtSeries = true;
    art.priceUSD = 2.0;
    art.priceUsdSignature = 60.0;
    const Row artRow = addRow({art}, art);
    const Row plainRow = addRow({makeCandidate("p1", "Plain", "neo", "1")}, makeCandidate("p1", "Plain", "neo", "1"));
    auto widget = open(artRow.id);
    auto plain = open(plainRow.id);
    EXPECT_TRUE(shows(*widget, "variantPicker"));
    EXPECT_FALSE(shows(*plain, "variantPicker"));
    EXPECT_TRUE(shows(*plain, "finishPicker"));
    EXPECT_EQ(widget->findChild<QLabel*>("price")->text(), "$2.00");

    auto* finish = widget->findChild<QComboBox*>("finishPicker");
    EXPECT_EQ(finish->currentText(), "nonfoil");
    finish->setCurrentIndex(2);
    emit finish->activated(2);
    settle();
    EXPECT_EQ(modelRow(artRow.id).chosen->finish, ScanFinish::etched);
    EXPECT_EQ(finish->currentText(), "etched");

    const auto variants = widget->findChild<QWidget*>("variantPicker")->findChildren<QToolButton*>();
    ASSERT_EQ(variants.size(), 2);
    variants[1]->click();
    settle();
    EXPECT_EQ(modelRow(artRow.id).chosen->artSeriesVariant, ArtSeriesVariant::signature);
    // The signature printing values at its own price: a chase card now.
    EXPECT_EQ(widget->findChild<QLabel*>("price")->text(), "$60.00");
    EXPECT_EQ(widget->findChild<QLabel*>("price")->toolTip(), "Chase card ($50+)");
}

TEST_F(CardRowTest, SearchSendsTheBuiltQueryKeepsTheTextAndShowsTheNewCandidates)
{
    resolver->onSearch = [](const QString& text, ScanFinish) {
        return std::vector<Candidate>{makeCandidate("r1", "Result for " + text, "j25", "245")};
    };
    Row token = addRow({makeCandidate("j1", "Goblin", "J25", "1")});
    auto rows = model->rows();
    rows[0].isToken = true;
    test::testAccess(*model).setRows(rows);
    auto widget = open(token.id);
    auto* field = widget->findChild<QLineEdit*>("searchField");
    auto* search = button(*widget, "search");
    EXPECT_EQ(widget->searchKind(), ManualSearchKind::token);

    // Blank: nothing to search, the button is off and Return sends nothing.
    QTest::keyClicks(field, "   ");
    EXPECT_FALSE(search->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    settle();
    EXPECT_TRUE(resolver->calls->isEmpty());

    field->clear();
    QTest::keyClicks(field, "245");
    EXPECT_TRUE(search->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !resolver->calls->isEmpty(); }, 5000));
    settle();
    EXPECT_EQ(*resolver->calls, QStringList{"search set:j25 245 t:token nonfoil"});
    EXPECT_EQ(field->text(), "245");
    ASSERT_TRUE(QTest::qWaitFor([&] { return modelRow(token.id).candidates.front().scryfallId == "r1"; }, 5000));
    settle();
    const auto candidates = widget->findChildren<QAbstractButton*>("candidateButton");
    ASSERT_EQ(candidates.size(), 1);
    EXPECT_EQ(candidates[0]->accessibleName(), "Confirm Result for set:j25 245 t:token J25 245");

    // "All" narrows nothing; the field text is still the user's.
    widget->findChild<QWidget*>("kindPicker")->findChildren<QToolButton*>()[0]->click();
    search->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return resolver->calls->size() == 2; }, 5000));
    EXPECT_EQ(resolver->calls->last(), "search set:j25 245 nonfoil");
}

TEST_F(CardRowTest, AnOlderSearchAnsweringLastDoesNotReplaceTheNewerOnesCandidates)
{
    auto slow = std::make_shared<SlowResolver>();
    (*slow->delays)["Older"] = 300;
    (*slow->delays)["Newer"] = 0;
    CaptureViewModel::Collaborators c;
    c.resolver = slow;
    c.artMatcher = std::shared_ptr<const ArtCardMatching>();
    c.scheduler = &clock;
    model = CaptureViewModel::create(nullptr, std::move(c));
    const Row row = addRow({});
    auto widget = open(row.id);
    auto* field = widget->findChild<QLineEdit*>("searchField");
    QTest::keyClicks(field, "Older");
    QTest::keyClick(field, Qt::Key_Return);
    field->clear();
    QTest::keyClicks(field, "Newer");
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return slow->answered->size() == 2; }, 10000));
    settle();
    EXPECT_EQ(*slow->answered, (QStringList{"Newer", "Older"}));
    const auto candidates = widget->findChildren<QAbstractButton*>("candidateButton");
    ASSERT_EQ(candidates.size(), 1);
    EXPECT_EQ(candidates[0]->accessibleName(), "Confirm Found Newer NEO 1");
    EXPECT_EQ(field->text(), "Newer");
}

TEST_F(CardRowTest, ReturnInTheSearchFieldOfASheetSearchesWithoutPressingTheDefaultButton)
{
    const Row row = addRow({makeCandidate("n1", "Bolt", "neo", "1")});
    QDialog sheet;
    auto* layout = new QVBoxLayout(&sheet);
    auto* widget = new CardRow(model, row.id, CardRowOptions{cache, images.baseUrl().toString() + '/', true}, &sheet);
    layout->addWidget(widget);
    auto* done = new QPushButton("Done", &sheet);
    done->setDefault(true);
    layout->addWidget(done);
    bool accepted = false;
    QObject::connect(&sheet, &QDialog::accepted, [&] { accepted = true; });
    sheet.show();
    settle();
    auto* field = widget->findChild<QLineEdit*>("searchField");
    field->setFocus();
    QTest::keyClicks(field, "Shock");
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !resolver->calls->isEmpty(); }, 5000));
    EXPECT_EQ(*resolver->calls, QStringList{"search Shock nonfoil"});
    EXPECT_FALSE(accepted);
    EXPECT_TRUE(sheet.isVisible());
}

// The controls Tab visits after `start` until it leaves `within`, by object name.
std::string tabWalk(QWidget* start, const QWidget* within)
{
    QStringList names;
    start->setFocus(Qt::TabFocusReason);
    QTest::keyClick(start, Qt::Key_Tab);
    for (QWidget* at = QApplication::focusWidget(); at && within->isAncestorOf(at) && names.size() < 40;
         at = QApplication::focusWidget()) {
        names << (at->objectName().isEmpty() ? at->accessibleName() : at->objectName());
        QTest::keyClick(at, Qt::Key_Tab);
    }
    return names.join(' ').toStdString();
}

TEST_F(CardRowTest, TabFollowsTheScreenCandidatesThenSearchThenSkipAndRotateAlsoAfterASearch)
{
    resolver->onSearch = [](const QString&, ScanFinish) {
        return std::vector<Candidate>{makeCandidate("r1", "Shock", "m21", "159"), makeCandidate("r2", "Shock", "m20", "160")};
    };
    const Row review = addRow({makeCandidate("b1", "Bolt", "m10", "146")});
    const Candidate chosen = makeCandidate("c1", "Counterspell", "mh2", "267");
    const Row confirmed = addRow({chosen}, chosen);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* before = new QPushButton("Before", &window);
    layout->addWidget(before);
    const CardRowOptions options{cache, images.baseUrl().toString() + '/', true};
    auto* reviewRow = new CardRow(model, review.id, options, &window);
    auto* confirmedRow = new CardRow(model, confirmed.id, options, &window);
    layout->addWidget(reviewRow);
    layout->addWidget(confirmedRow);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    settle();

    EXPECT_EQ(tabWalk(before, reviewRow), "thumbnail candidateButton searchField All skip rotate");
    EXPECT_EQ(tabWalk(reviewRow->findChild<QWidget*>("rotate"), confirmedRow),
              "thumbnail finishPicker change statusBadge");

    // A search makes new candidate buttons: they still come before the search field.
    auto* field = reviewRow->findChild<QLineEdit*>("searchField");
    field->setFocus();
    QTest::keyClicks(field, "Shock");
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return modelRow(review.id).candidates.size() == 2; }, 5000));
    settle();
    EXPECT_EQ(tabWalk(before, reviewRow),
              "thumbnail candidateButton candidateButton searchField All search skip rotate");
}

TEST_F(CardRowTest, ReturnOnAFocusedCandidateOrButtonActsOnItAndElsewhereStillPressesTheDefaultButton)
{
    const Row row = addRow({makeCandidate("n1", "Bolt", "neo", "1"), makeCandidate("n2", "Bolt", "m10", "146")});
    const Row other = addRow({makeCandidate("o1", "Other", "neo", "2")});
    QDialog sheet;
    auto* layout = new QVBoxLayout(&sheet);
    const CardRowOptions options{cache, images.baseUrl().toString() + '/', true};
    auto* widget = new CardRow(model, row.id, options, &sheet);
    auto* otherWidget = new CardRow(model, other.id, options, &sheet);
    layout->addWidget(widget);
    layout->addWidget(otherWidget);
    auto* note = new QLineEdit(&sheet);
    layout->addWidget(note);
    auto* done = new QPushButton("Done", &sheet);
    done->setDefault(true);
    layout->addWidget(done);
    int accepted = 0;
    QObject::connect(&sheet, &QDialog::accepted, [&] { ++accepted; });
    QObject::connect(done, &QPushButton::clicked, &sheet, &QDialog::accept);
    sheet.show();
    sheet.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
    settle();

    const auto candidates = widget->findChildren<QAbstractButton*>("candidateButton");
    ASSERT_EQ(candidates.size(), 2);
    candidates[1]->setFocus(Qt::TabFocusReason);
    QTest::keyClick(candidates[1], Qt::Key_Return);
    settle();
    ASSERT_TRUE(modelRow(row.id).chosen);
    EXPECT_EQ(modelRow(row.id).chosen->scryfallId, "n2");
    EXPECT_EQ(accepted, 0);
    EXPECT_TRUE(sheet.isVisible());

    // Enter on the keypad skips the focused row's card, and only that one.
    auto* skip = otherWidget->findChild<QAbstractButton*>("skip");
    skip->setFocus(Qt::TabFocusReason);
    QTest::keyClick(skip, Qt::Key_Enter, Qt::KeypadModifier);
    settle();
    ASSERT_EQ(model->rows().size(), 1u);
    EXPECT_EQ(model->rows()[0].id, row.id);
    EXPECT_EQ(accepted, 0);

    // Away from the buttons Return still reaches the sheet's default button.
    note->setFocus();
    QTest::keyClick(note, Qt::Key_Return);
    EXPECT_EQ(accepted, 1);
}

TEST_F(CardRowTest, RotateIsDisabledWithAProgressIndicatorWhileTheRowIsReanalysed)
{
    const Row row = addRow({});
    QImage scan(300, 420, QImage::Format_RGB32);
    scan.fill(QColor(220, 220, 210));
    ASSERT_TRUE(scan.save(row.card.front, "PNG"));
    auto widget = open(row.id);
    auto* rotate = button(*widget, "rotate");
    EXPECT_TRUE(rotate->isEnabled());
    EXPECT_FALSE(shows(*widget, "rotateProgress"));
    // No candidates: the fixed warning, and the controls stay usable.
    EXPECT_EQ(widget->findChild<QLabel*>("readWarning")->text(),
              "⚠ Couldn't read this card — search for it below, or Skip.");

    rotate->click();
    settle();
    EXPECT_TRUE(modelRow(row.id).isReanalyzing);
    EXPECT_FALSE(rotate->isEnabled());
    EXPECT_TRUE(shows(*widget, "rotateProgress"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return *recognizer->calls >= 1; }, 10000));
    rotate->click(); // disabled: no second rotation
    EXPECT_EQ(*recognizer->calls, 1);

    *recognizer->open = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !modelRow(row.id).isReanalyzing; }, 10000));
    settle();
    EXPECT_TRUE(rotate->isEnabled());
    EXPECT_FALSE(shows(*widget, "rotateProgress"));
    EXPECT_EQ(modelRow(row.id).rotationQuarterTurns, 1);
}

TEST_F(CardRowTest, CatalogImageShowsLoadingThenTheImageOrUnavailableAndNeverBlocksTheRow)
{
    images.route("GET", "/normal/front/o/k/ok1.jpg", test::FakeHttpResponse{200, {}, jpeg({488, 680}, Qt::red)});
    images.route("GET", "/normal/front/b/a/bad1.jpg", test::FakeHttpResponse{200, {}, "not an image"});
    images.route("GET", "/normal/front/s/l/slow1.jpg", test::FakeHttpResponse{.noReply = true});
    // 404 for everything else.
    struct Case {
        QString id;
        CatalogImageCache::State settled;
    };
    const std::vector<Case> cases{
        {"ok1", CatalogImageCache::State::loaded},
        {"bad1", CatalogImageCache::State::failed},
        {"missing1", CatalogImageCache::State::failed},
        {"slow1", CatalogImageCache::State::failed},
    };
    // A short transfer time-out stands in for a server that never answers.
    auto quick = std::make_shared<CatalogImageCache>(CatalogImageCache::Options{std::chrono::milliseconds(300)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id.toStdString());
        const Candidate chosen = makeCandidate(c.id, "Card " + c.id, "neo", "1");
        const Row row = addRow({chosen}, chosen);
        auto widget = open(row.id, quick);
        widget->showZoom();
        auto* catalog = widget->zoomPopover()->findChild<CatalogImageView*>("zoomCatalog");
        ASSERT_NE(catalog, nullptr);
        EXPECT_TRUE(catalog->isVisible());
        EXPECT_EQ(catalog->state(), CatalogImageCache::State::loading);
        settle();
        // While it loads the row still answers.
        button(*widget, "statusBadge")->click();
        EXPECT_TRUE(modelRow(row.id).reviewed);
        ASSERT_TRUE(QTest::qWaitFor([&] { return catalog->state() != CatalogImageCache::State::loading; }, 10000));
        EXPECT_EQ(catalog->state(), c.settled);
        EXPECT_EQ(catalog->accessibleName(), c.settled == CatalogImageCache::State::loaded
                                                 ? "Catalog image"
                                                 : "Catalog image unavailable");
        widget->hideZoom();
    }
    // Cached: a second row of the same printing shows it at once, without another request.
    const int before = images.count("GET", "/normal/front/o/k/ok1.jpg");
    const Candidate again = makeCandidate("ok1", "Card ok1", "neo", "1");
    auto second = open(addRow({again}, again).id, quick);
    second->showZoom();
    EXPECT_EQ(second->zoomPopover()->findChild<CatalogImageView*>("zoomCatalog")->state(),
              CatalogImageCache::State::loaded);
    EXPECT_EQ(images.count("GET", "/normal/front/o/k/ok1.jpg"), before);
}

TEST_F(CardRowTest, ImageServerThatIsDownLeavesThumbnailsAsPlaceholdersAndTheRowWorks)
{
    // A port nothing listens on.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const QString base = QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort());
    probe.close();
    const Row row = addRow({makeCandidate("d1", "Down One", "neo", "1"), makeCandidate("d2", "Down Two", "neo", "2"),
                            makeCandidate("x", "No Address", "neo", "3")});
    CardRow widget(model, row.id, CardRowOptions{cache, base, true});
    widget.show();
    settle();
    const auto thumbs = widget.findChildren<CatalogImageView*>("candidateThumb");
    ASSERT_EQ(thumbs.size(), 2); // an id of one letter has no address, so no thumbnail
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return std::all_of(thumbs.begin(), thumbs.end(),
                           [](auto* t) { return t->state() == CatalogImageCache::State::failed; });
    }, 10000));
    for (auto* thumb : thumbs)
        EXPECT_EQ(thumb->state(), CatalogImageCache::State::failed);
    widget.findChildren<QAbstractButton*>("candidateButton")[2]->click();
    EXPECT_EQ(modelRow(row.id).chosen->name, "No Address");
}

TEST_F(CardRowTest, PopoverComparesTheScanWithTheMatchOnlyWhenOneIsChosen)
{
    Row manual = addRow({});
    auto rows = model->rows();
    rows[0].isManual = true;
    test::testAccess(*model).setRows(rows);
    auto widget = open(manual.id);
    EXPECT_FALSE(widget->isZoomShown());
    button(*widget, "thumbnail")->click();
    settle();
    ASSERT_TRUE(widget->isZoomShown());
    QWidget* popover = widget->zoomPopover();
    EXPECT_TRUE(popover->isVisible());
    EXPECT_EQ(popover->findChild<QLabel*>("zoomCaption")->text(), "Added manually");
    EXPECT_FALSE(popover->findChild<CatalogImageView*>("zoomCatalog")->isVisible());

    // Confirming while it is open adds the matched column.
    model->confirm(manual.id, makeCandidate("mm1", "Matched Card", "neo", "9"));
    settle();
    EXPECT_TRUE(popover->findChild<CatalogImageView*>("zoomCatalog")->isVisible());
    popover->hide();
    EXPECT_FALSE(widget->isZoomShown());
}

} // namespace
} // namespace vantry
