#include "app/batch/CaptureViewModel.h"

#include "core/ingest/RotatedScan.h"
#include "core/reading/CollectorMatching.h"
#include "core/recognition/VisionCardRecognizer.h"
#include "core/support/ImageCopy.h"
#include "platform/VirtualDelayScheduler.h"
#include "support/RecordingResolver.h"
#include "support/SyntheticScan.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QCoroTimer>
#include <QFile>
#include <QPainter>

#include <gtest/gtest.h>

#include <mutex>

namespace vantry {
namespace {

using test::makeCandidate;
using Row = CaptureViewModel::Row;

// Where the red mark of a test scan is: it starts at the top left and moves one corner
// clockwise with each quarter turn.
enum Corner { topLeft, topRight, bottomRight, bottomLeft, noMark };

Corner redCorner(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QColor c = rgb.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80) {
                const bool left = x < rgb.width() / 2, top = y < rgb.height() / 2;
                return top ? (left ? topLeft : topRight) : (left ? bottomLeft : bottomRight);
            }
        }
    }
    return noMark;
}

RecognitionOutcome outcome(std::vector<Candidate> candidates, std::optional<QString> title = std::nullopt)
{
    RecognitionOutcome o;
    o.candidates = std::move(candidates);
    if (!o.candidates.empty()) {
        o.attribution.setCode = o.candidates[0].setCode;
        o.attribution.collectorNumber = o.candidates[0].collectorNumber;
        o.attribution.collectorNumberIsComplete = true;
        o.attribution.title = o.candidates[0].name;
    }
    if (title)
        o.attribution.title = std::move(title);
    return o;
}

// Answers by the corner the red mark is in, so each turn of the scan reads differently.
class TurnRecognizer final : public CardRecognizing {
public:
    struct Call {
        Corner corner;
        QSize size;
        ScanFinish finish;
        bool hadBack;
        CPULane lane;
    };
    std::function<RecognitionOutcome(Corner, QSize)> answer;
    std::function<QCoro::Task<void>()> gate;
    std::shared_ptr<std::vector<Call>> calls = std::make_shared<std::vector<Call>>();

    QCoro::Task<RecognitionOutcome> recognize(QImage image, ScanFinish finish, BackLoader back,
                                              CPULane lane) const override
    {
        const auto log = calls;
        const auto hold = gate;
        const auto answerFor = answer;
        if (hold) {
            auto held = hold();
            co_await std::move(held);
        }
        const Corner corner = redCorner(image);
        log->push_back({corner, image.size(), finish, bool(back), lane});
        co_return answerFor(corner, image.size());
    }
};

// A scan: an upright card (with the red mark at its top left) on the dark scanner bed, or,
// with `filled`, a page that is all card so nothing can be cropped.
void writeScan(const QString& path, bool filled, int quarterTurns = 0)
{
    QImage image(filled ? QSize(300, 420) : QSize(400, 520), QImage::Format_RGB32);
    image.fill(QColor(15, 15, 15));
    QPainter p(&image);
    const QRect card = filled ? image.rect() : QRect(50, 50, 300, 420);
    p.fillRect(card, QColor(225, 225, 215));
    p.fillRect(QRect(card.topLeft() + QPoint(20, 20), QSize(30, 30)), QColor(230, 20, 20));
    p.end();
    ASSERT_TRUE(rotatedByQuarterTurns(image, quarterTurns).save(path, "PNG"));
}

QCoro::Task<void> waitUntil(std::shared_ptr<bool> open)
{
    while (!*open)
        co_await QCoro::sleepFor(std::chrono::milliseconds(2));
}

class RotateTest : public ::testing::Test {
protected:
    test::TempHome home;
    VirtualDelayScheduler clock;
    std::shared_ptr<TurnRecognizer> recognizer = std::make_shared<TurnRecognizer>();

    std::shared_ptr<CaptureViewModel> makeModel(std::shared_ptr<const CardRecognizing> r = nullptr)
    {
        CaptureViewModel::Collaborators c;
        c.recognizer = r ? r : recognizer;
        c.resolver = std::make_shared<test::RecordingResolver>();
        c.artMatcher = std::shared_ptr<const ArtCardMatching>();
        c.scheduler = &clock;
        return CaptureViewModel::create(nullptr, std::move(c));
    }

    Row scannedRow(const QString& path, std::optional<Candidate> chosen = std::nullopt)
    {
        Row r;
        r.id = QUuid::createUuid();
        r.card.front = path;
        r.chosen = chosen;
        if (chosen)
            r.candidates = {*chosen};
        r.disposition = chosen ? Disposition::autoConfirm : Disposition::review;
        return r;
    }
};

TEST_F(RotateTest, EachPressTurnsTheScanOnAndRecognisesItOnTheInteractiveLane)
{
    const Candidate upright = makeCandidate("up", "Upright", "M21", "1", 0.99);
    const Candidate sideways = makeCandidate("side", "Sideways", "M21", "2", 0.6);
    const Candidate sidewaysToo = makeCandidate("side2", "Sideways Too", "M21", "3", 0.59);
    const Candidate left = makeCandidate("left", "Left", "M21", "4", 0.99, ScanFinish::foil);
    recognizer->answer = [&](Corner corner, QSize) {
        switch (corner) {
        case topLeft: return outcome({upright});
        case topRight: return outcome({sideways, sidewaysToo});
        case bottomRight: return outcome({}, QStringLiteral("Upside Down"));
        default: return outcome({left});
        }
    };
    const QString path = home.file("scan.png");
    writeScan(path, true);
    const auto model = makeModel();
    const Row original = scannedRow(path, upright);
    test::testAccess(*model).setRows({original});

    struct Press {
        int turns;
        std::optional<Candidate> chosen;
        Disposition disposition;
        std::size_t candidates;
        std::optional<QString> readNote;
        QSize thumbnail;
    };
    const QString unreadable = unreadableNote([] {
        CardAttribution a;
        a.title = QStringLiteral("Upside Down");
        return a;
    }());
    const Press presses[] = {
        {1, std::nullopt, Disposition::review, 2, std::nullopt, QSize(420, 300)},
        {2, std::nullopt, Disposition::unresolved, 0, unreadable, QSize(300, 420)},
        {3, left, Disposition::autoConfirm, 1, std::nullopt, QSize(420, 300)},
        {0, upright, Disposition::autoConfirm, 1, std::nullopt, QSize(300, 420)},
    };
    for (const Press& press : presses) {
        SCOPED_TRACE(press.turns);
        auto task = model->rotateAndReanalyze(original.id);
        EXPECT_TRUE(model->rows()[0].isReanalyzing);
        test::waitFor(std::move(task));
        const Row& row = model->rows()[0];
        EXPECT_EQ(row.rotationQuarterTurns, press.turns);
        EXPECT_EQ(row.chosen, press.chosen);
        EXPECT_EQ(row.disposition, press.disposition);
        EXPECT_EQ(row.candidates.size(), press.candidates);
        EXPECT_EQ(row.readNote, press.readNote);
        EXPECT_FALSE(row.noTextDetected); // a title was read
        EXPECT_FALSE(row.isReanalyzing);
        EXPECT_FALSE(row.isMultiFeed); // nothing was cropped, so nothing to judge
        ASSERT_TRUE(row.thumbnail);
        EXPECT_EQ(row.thumbnail->size(), press.thumbnail);
        EXPECT_TRUE(row.zoomImageData);
        EXPECT_EQ(model->statusMessage(), model->reviewStatusMessage());
    }
    // Nothing cropped: one recognition per press on the whole image, with the row's finish.
    ASSERT_EQ(recognizer->calls->size(), 4u);
    const std::vector<ScanFinish> finishes{ScanFinish::nonfoil, ScanFinish::nonfoil, ScanFinish::nonfoil,
                                           ScanFinish::foil};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ((*recognizer->calls)[i].lane, CPULane::interactive);
        EXPECT_EQ((*recognizer->calls)[i].finish, finishes[i]);
        EXPECT_FALSE((*recognizer->calls)[i].hadBack);
    }
    QFile file(path); // the scan on disk is never turned
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QImage::fromData(file.readAll()).size(), QSize(300, 420));
}

TEST_F(RotateTest, WholeScanIsReadWhenTheCropReadsNothingAndItsImagesAreShown)
{
    recognizer->answer = [](Corner, QSize size) {
        // Only the uncropped scan (larger than the card) reads.
        return size.width() > 350 ? outcome({makeCandidate("w", "Whole", "M21", "9", 0.99)}) : outcome({});
    };
    const QString path = home.file("scan.png");
    writeScan(path, false, 3); // sideways: one press turns it upright
    Row r = scannedRow(path);
    r.card.back = home.file("back.png");
    writeScan(*r.card.back, false);
    const auto model = makeModel();
    test::testAccess(*model).setRows({r});
    test::waitFor(model->rotateAndReanalyze(r.id));

    ASSERT_EQ(recognizer->calls->size(), 2u);
    EXPECT_TRUE((*recognizer->calls)[0].hadBack);  // the crop, with the back at hand
    EXPECT_FALSE((*recognizer->calls)[1].hadBack); // then the whole scan
    EXPECT_EQ((*recognizer->calls)[1].size, QSize(400, 520));
    const Row& row = model->rows()[0];
    EXPECT_EQ(row.chosen->scryfallId, QStringLiteral("w"));
    ASSERT_TRUE(row.thumbnail);
    EXPECT_EQ(row.thumbnail->size(), QSize(323, 420)); // the whole scan's, not the card's
}

TEST_F(RotateTest, MultiFeedFlagFollowsTheNewCrop)
{
    const Candidate card = makeCandidate("c", "Card", "M21", "5", 0.99);
    recognizer->answer = [&](Corner, QSize) { return outcome({card}); };
    const QString path = home.file("scan.png");
    writeScan(path, false, 3); // fed sideways: the crop is wider than a card
    Row r = scannedRow(path);
    r.disposition = Disposition::unresolved;
    r.isMultiFeed = true;
    r.readNote = CaptureViewModel::multiFeedNote();
    const auto model = makeModel();
    test::testAccess(*model).setRows({r});

    test::waitFor(model->rotateAndReanalyze(r.id));
    const Row& upright = model->rows()[0];
    EXPECT_FALSE(upright.isMultiFeed);
    EXPECT_FALSE(upright.readNote);
    EXPECT_EQ(upright.chosen, card);
    EXPECT_EQ(model->multiFeedCount(), 0);

    test::testAccess(*model).setBinByPrinting({{"c:nonfoil", "B1"}});
    test::waitFor(model->rotateAndReanalyze(r.id));
    const Row& turned = model->rows()[0];
    EXPECT_TRUE(turned.isMultiFeed);
    EXPECT_EQ(turned.readNote, CaptureViewModel::multiFeedNote());
    EXPECT_EQ(turned.disposition, Disposition::unresolved);
    EXPECT_FALSE(turned.chosen);
    EXPECT_TRUE(turned.candidates.empty());
    EXPECT_EQ(turned.pendingReclassifyBin, QStringLiteral("B1")); // kept for a later confirm
    EXPECT_EQ(recognizer->calls->size(), 1u); // a multi-feed is not read
    EXPECT_TRUE(model->statusMessage().contains(QStringLiteral("1 multi-feed")));
}

TEST_F(RotateTest, LosingTheChoiceKeepsTheRecountDestinationAndDropsTheSignOff)
{
    recognizer->answer = [](Corner, QSize) { return outcome({}); };
    const QString path = home.file("scan.png");
    writeScan(path, true);
    Row r = scannedRow(path, makeCandidate("c", "Card", "M21", "5", 0.99, ScanFinish::etched));
    r.reviewed = true;
    r.userTouchedFinish = true;
    const auto model = makeModel();
    test::testAccess(*model).setRows({r});
    test::testAccess(*model).setBinByPrinting({{"c:etched", "B1"}});
    test::testAccess(*model).setPendingPreview(ScanReplaceResult{});
    test::testAccess(*model).setReplaceSessionId(QStringLiteral("s"));

    test::waitFor(model->rotateAndReanalyze(r.id));
    const Row& row = model->rows()[0];
    EXPECT_FALSE(row.chosen);
    EXPECT_FALSE(row.reviewed);
    EXPECT_TRUE(row.userTouchedFinish);
    EXPECT_EQ(row.pendingReclassifyBin, QStringLiteral("B1"));
    EXPECT_EQ(row.pendingReclassifyFinish, ScanFinish::etched);
    EXPECT_TRUE(row.noTextDetected);
    EXPECT_FALSE(model->recount()->pendingPreview());
    EXPECT_FALSE(model->recount()->replaceSessionId());
    EXPECT_EQ((*recognizer->calls)[0].finish, ScanFinish::etched);

    // Confirming it again restores the destination under the printing chosen.
    model->confirm(r.id, makeCandidate("d", "Other", "M21", "6"));
    EXPECT_EQ(model->recount()->binByPrinting().at("d:nonfoil"), QStringLiteral("B1"));
}

TEST_F(RotateTest, VanishedScanOnlyEndsTheBusyFlagWithANote)
{
    const QString path = home.file("gone.png");
    Row r = scannedRow(path, makeCandidate("c", "Card", "M21", "5", 0.99));
    r.rotationQuarterTurns = 2;
    const auto model = makeModel();
    test::testAccess(*model).setRows({r});
    test::waitFor(model->rotateAndReanalyze(r.id));
    const Row& row = model->rows()[0];
    EXPECT_FALSE(row.isReanalyzing);
    EXPECT_EQ(row.rotationQuarterTurns, 2);
    EXPECT_EQ(row.chosen, r.chosen);
    EXPECT_EQ(row.candidates, r.candidates);
    EXPECT_TRUE(recognizer->calls->empty());
    EXPECT_EQ(model->statusMessage(), QStringLiteral("Couldn't rotate gone.png: the scan file can't be read."));
}

TEST_F(RotateTest, OverlappingPressesAddUpAndARemovedRowStaysRemoved)
{
    recognizer->answer = [](Corner corner, QSize) {
        return outcome({makeCandidate(QString::number(int(corner)), "Card", "M21", "1", 0.99)});
    };
    const auto open = std::make_shared<bool>(false);
    recognizer->gate = [open] { return waitUntil(open); };
    const QString path = home.file("scan.png");
    writeScan(path, true);
    const Row r = scannedRow(path);
    const auto model = makeModel();
    test::testAccess(*model).setRows({r});

    auto first = model->rotateAndReanalyze(r.id);
    auto second = model->rotateAndReanalyze(r.id);
    *open = true;
    test::waitFor(std::move(second));
    test::waitFor(std::move(first));
    // Two presses, two quarter turns; the first press's result was superseded.
    EXPECT_EQ(model->rows()[0].rotationQuarterTurns, 2);
    EXPECT_EQ(model->rows()[0].chosen->scryfallId, QString::number(int(bottomRight)));
    EXPECT_FALSE(model->rows()[0].isReanalyzing);

    *open = false;
    auto removed = model->rotateAndReanalyze(r.id);
    model->skip(r.id);
    *open = true;
    test::waitFor(std::move(removed));
    EXPECT_TRUE(model->rows().empty());
}

TEST_F(RotateTest, UpsideDownCardReadsAfterTwoTurnsThroughRealTextRecognition)
{
    auto resolver = std::make_shared<test::RecordingResolver>();
    resolver->onSet = [](const QString& set, const QString& number, ScanFinish finish, const auto&) {
        if (set.compare(QStringLiteral("DSK"), Qt::CaseInsensitive) != 0)
            return std::vector<Candidate>{};
        return std::vector<Candidate>{makeCandidate("gg1", "Goblin Guide", "dsk", number, 1.0, finish)};
    };
    VisionCardRecognizer::Options options;
    options.trace = [](const QString&) {};
    const auto real = std::make_shared<VisionCardRecognizer>(resolver, nullptr, [] { return false; }, options);
    test::SyntheticCard card = test::SyntheticCard::modern("Goblin Guide", "DSK", "0255", u'L');
    card.quarterTurns = 2;
    const QString path = home.file("upside-down.png");
    ASSERT_TRUE(test::saveSyntheticScan(card, path));
    const auto model = makeModel(real);
    const Row r = scannedRow(path);
    test::testAccess(*model).setRows({r});

    test::waitFor(model->rotateAndReanalyze(r.id)); // sideways: looks like two cards, not read
    EXPECT_TRUE(model->rows()[0].isMultiFeed);
    test::waitFor(model->rotateAndReanalyze(r.id));
    const Row& row = model->rows()[0];
    EXPECT_EQ(row.rotationQuarterTurns, 2);
    EXPECT_FALSE(row.isMultiFeed);
    ASSERT_FALSE(row.candidates.empty()) << resolver->calls->join('\n').toStdString();
    EXPECT_EQ(row.candidates[0].scryfallId, QStringLiteral("gg1"));
}

} // namespace
} // namespace vantry
