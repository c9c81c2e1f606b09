#include "support/FakeFolderPicker.h"
#include "support/MarkerRecognizer.h"
#include "support/SyntheticScan.h"

#include "core/reading/CardCropper.h"
#include "core/support/ImageDecode.h"

#include <QCoroTask>

#include <gtest/gtest.h>

using namespace vantry;
using namespace vantry::test;

TEST(MarkerRecognizer, ReadsTheMarkerOnlyFromTheCroppedCard)
{
    struct Case {
        int dpi;
        int marker;
        int quarterTurns;
    };
    for (const Case c : {Case{300, 0xBEEF, 0}, Case{600, 1, 0}, Case{240, 65535, 0}}) {
        SyntheticCard card;
        card.dpi = c.dpi;
        card.marker = c.marker;
        const QImage scan = renderSyntheticScan(card);
        EXPECT_EQ(MarkerRecognizer::readMarker(CardCropper::cropCard(scan)), c.marker) << c.dpi;
        EXPECT_EQ(MarkerRecognizer::readMarker(scan), std::nullopt) << c.dpi;
    }
    // A JPEG round trip keeps it; a card without one has none.
    SyntheticCard marked;
    marked.marker = 4242;
    const QImage jpeg = image::toWorkingFormat(QImage::fromData(image::encodeJpeg(renderSyntheticScan(marked), 0.8, 300)));
    EXPECT_EQ(MarkerRecognizer::readMarker(CardCropper::cropCard(jpeg)), 4242);
    EXPECT_EQ(MarkerRecognizer::readMarker(CardCropper::cropCard(renderSyntheticScan(SyntheticCard{}))), std::nullopt);
}

TEST(MarkerRecognizer, AnswersForTheMarkerAndRecordsTheCall)
{
    SyntheticCard card;
    card.marker = 7;
    const QImage cropped = CardCropper::cropCard(renderSyntheticScan(card));
    MarkerRecognizer recognizer;
    const RecognitionOutcome outcome =
        QCoro::waitFor(recognizer.recognize(cropped, ScanFinish::foil, {}, CPULane::interactive));
    ASSERT_EQ(outcome.candidates.size(), 1u);
    EXPECT_EQ(outcome.candidates[0].scryfallId, QStringLiteral("card-7"));
    EXPECT_EQ(outcome.candidates[0].finish, ScanFinish::foil);
    ASSERT_EQ(recognizer.calls->size(), 1);
    EXPECT_EQ(recognizer.calls->at(0).marker, 7);
    EXPECT_EQ(recognizer.calls->at(0).imageSize, cropped.size());
    EXPECT_EQ(recognizer.calls->at(0).lane, CPULane::interactive);

    EXPECT_TRUE(QCoro::waitFor(recognizer.recognize(renderSyntheticScan(card), ScanFinish::nonfoil)).candidates.empty());
    EXPECT_EQ(recognizer.calls->at(1).marker, std::nullopt);
}

TEST(FakeFolderPicker, AnswersInOrderThenCancels)
{
    FakeFolderPicker picker;
    picker.answer(QStringLiteral("/scans/a")).answer(std::nullopt);
    EXPECT_EQ(QCoro::waitFor(picker.pickFolder(QStringLiteral("Import"), QStringLiteral("Choose."))),
              QStringLiteral("/scans/a"));
    EXPECT_EQ(QCoro::waitFor(picker.pickFolder(QStringLiteral("Watch"), QStringLiteral("m"))), std::nullopt);
    EXPECT_EQ(QCoro::waitFor(picker.pickFolder(QStringLiteral("Watch"), QStringLiteral("m"))), std::nullopt);
    EXPECT_EQ(picker.requests,
              (QStringList{QStringLiteral("Import | Choose."), QStringLiteral("Watch | m"), QStringLiteral("Watch | m")}));
}
