#include "core/reading/CardCropper.h"
#include "core/reading/CollectorStripParser.h"
#include "core/recognition/Disposition.h"
#include "core/recognition/VisionCardRecognizer.h"
#include "platform/TesseractTextRecognizer.h"
#include "support/RecordingResolver.h"

#include <QCoroTask>
#include <QDir>

#include <gtest/gtest.h>

using namespace vantry;
using test::makeCandidate;

// Catalogue scans of real cards (real fonts, frames and artwork) through crop, the real text
// passes and the recognizer. The images are kept outside the repository; without them the
// test is skipped.
TEST(RecognitionOnRealCards, NeverConfirmsTheWrongPrintingNorInventsANumber)
{
    const QDir dir(QStringLiteral(VANTRY_REALCARDS_DIR));
    if (!dir.exists(QStringLiteral("truth.csv")))
        GTEST_SKIP() << "no real card images in " << VANTRY_REALCARDS_DIR;
    ASSERT_TRUE(TesseractTextRecognizer::available());
    struct Case {
        const char* file;
        std::optional<QString> number; // normalised; none: the card prints none
        QString name;
    };
    const std::vector<Case> cases{
        // The whole-card pass cuts the number to "12", which is another printing of the set.
        {"images/dsk-125-normal.jpg", QStringLiteral("125"), QStringLiteral("Bedhead Beastie")},
        // No collector strip: numbers in the artwork and rules text are no collector number.
        {"images/lea-110.jpg", std::nullopt, QStringLiteral("Gloom")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const auto crop = CardCropper::croppedImage(dir.filePath(QString::fromLatin1(c.file)));
        ASSERT_TRUE(crop);
        auto resolver = std::make_shared<test::RecordingResolver>();
        // Every number is some printing: a wrong read resolves to a wrong card.
        resolver->onSet = [](const QString& set, const QString& number, ScanFinish, const auto&) {
            const QString n = normalizeCollectorNumber(number);
            return std::vector<Candidate>{makeCandidate(set + n, n == "125" ? "Bedhead Beastie" : "Friendly Ghost",
                                                        set.toLower(), n, 1)};
        };
        VisionCardRecognizer::Options options;
        options.trace = [](const QString&) {};
        const VisionCardRecognizer recognizer(resolver, nullptr, [] { return false; }, options);
        const auto outcome = QCoro::waitFor(recognizer.recognize(*crop, ScanFinish::nonfoil));
        const auto& a = outcome.attribution;
        EXPECT_EQ(a.collectorNumber ? std::optional(normalizeCollectorNumber(*a.collectorNumber)) : std::nullopt,
                  c.number);
        const auto d = validatedDisposition(outcome.candidates, a);
        if (d.disposition == Disposition::autoConfirm)
            EXPECT_EQ(outcome.candidates.front().name, c.name);
    }
}

// A complete strip whose title stands away from the title bar is confirmed by it where it is:
// a room prints a title along the left edge of each half; a promotional frame prints an
// ornament before its title.
TEST(RecognitionOnRealCards, ATitleAwayFromTheTitleBarConfirmsItsStrip)
{
    const QDir dir(QStringLiteral(VANTRY_REALCARDS_DIR));
    if (!dir.exists(QStringLiteral("truth.csv")))
        GTEST_SKIP() << "no real card images in " << VANTRY_REALCARDS_DIR;
    ASSERT_TRUE(TesseractTextRecognizer::available());
    struct Case {
        const char* file;
        QString number, name;
    };
    const std::vector<Case> cases{
        {"images/dsk-340-borderless.jpg", QStringLiteral("340"), QStringLiteral("Charred Foyer // Warped Space")},
        {"images/dsk-415-promo.jpg", QStringLiteral("415"), QStringLiteral("Inquisitive Glimmer")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const auto crop = CardCropper::croppedImage(dir.filePath(QString::fromLatin1(c.file)));
        ASSERT_TRUE(crop);
        auto resolver = std::make_shared<test::RecordingResolver>();
        resolver->onSet = [c](const QString& set, const QString& number, ScanFinish, const auto&) {
            const QString n = normalizeCollectorNumber(number);
            return std::vector<Candidate>{
                makeCandidate(set + n, n == c.number ? c.name : QStringLiteral("Friendly Ghost"), set.toLower(), n, 1)};
        };
        VisionCardRecognizer::Options options;
        options.trace = [](const QString&) {};
        const VisionCardRecognizer recognizer(resolver, nullptr, [] { return false; }, options);
        const auto outcome = QCoro::waitFor(recognizer.recognize(*crop, ScanFinish::nonfoil));
        ASSERT_FALSE(outcome.candidates.empty());
        EXPECT_EQ(outcome.candidates.front().name, c.name);
        EXPECT_EQ(validatedDisposition(outcome.candidates, outcome.attribution).disposition,
                  Disposition::autoConfirm);
    }
}
