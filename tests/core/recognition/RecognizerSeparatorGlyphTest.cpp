#include "core/reading/CardCropper.h"
#include "core/recognition/VisionCardRecognizer.h"
#include "platform/TesseractTextRecognizer.h"
#include "support/RecordingResolver.h"
#include "support/SyntheticScan.h"

#include <QCoroTask>

#include <gtest/gtest.h>

#include <atomic>

using namespace vantry;
using namespace vantry::test;

// The recognizer reads the separator glyph with its default locator only while automatic
// foil detection is on; the glyph then decides the finish of every lookup.
TEST(RecognizerSeparatorGlyph, GlyphDecidesTheFinishOnlyWhenSwitchedOn)
{
    ASSERT_TRUE(TesseractTextRecognizer::available());
    struct Case {
        const char* name;
        bool foilPrint;
        bool switchedOn;
        QString summaryEnd;
        QString lookup;
    };
    const std::vector<Case> cases = {
        {"star, on", true, true, QStringLiteral("finish=foil (shape \u2605/\u2022)"), "set M21 0162 foil en"},
        {"bullet, on", false, true, QStringLiteral("finish=nonfoil (shape \u2605/\u2022)"), "set M21 0162 nonfoil en"},
        {"star, off", true, false, QStringLiteral("finish=etched"), "set M21 0162 etched en"},
    };
    for (const Case& c : cases) {
        auto resolver = std::make_shared<RecordingResolver>();
        resolver->onSet = [](const QString& set, const QString& number, ScanFinish finish, const auto&) {
            return std::vector<Candidate>{makeCandidate("id-1", "Lightning Bolt", set, number, 1.0, finish)};
        };
        std::atomic<int> switchAsked = 0;
        auto traces = std::make_shared<QStringList>();
        VisionCardRecognizer::Options options;
        options.trace = [traces](const QString& line) { *traces << line; };
        const VisionCardRecognizer recognizer(
            resolver, nullptr,
            [&switchAsked, on = c.switchedOn] {
                ++switchAsked;
                return on;
            },
            options);
        const QImage card = CardCropper::cropCard(
            renderSyntheticScan(SyntheticCard::modern("Lightning Bolt", "M21", "0162", u'C', "EN", c.foilPrint)));
        const RecognitionOutcome outcome = QCoro::waitFor(recognizer.recognize(card, ScanFinish::etched));
        ASSERT_FALSE(traces->isEmpty()) << c.name;
        EXPECT_TRUE(traces->front().endsWith(c.summaryEnd)) << c.name << ": " << traces->front().toStdString();
        ASSERT_FALSE(resolver->calls->isEmpty()) << c.name;
        EXPECT_EQ(resolver->calls->front(), c.lookup) << c.name;
        EXPECT_GE(switchAsked.load(), 1) << c.name;
        ASSERT_EQ(outcome.candidates.size(), 1u) << c.name;
    }
}
