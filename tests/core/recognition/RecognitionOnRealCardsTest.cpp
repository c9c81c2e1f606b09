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

namespace {

// The folder of the real card images, kept outside the repository; none where it is absent.
std::optional<QDir> realCards()
{
    const QDir dir(QStringLiteral(VANTRY_REALCARDS_DIR));
    if (!dir.exists(QStringLiteral("truth.csv")))
        return std::nullopt;
    return dir;
}

// A real card through crop and the recognizer with the real engine. Every number read is some
// printing: `number` is the card named `name`, any other a wrong card. None when the crop fails.
std::optional<RecognitionOutcome> recognizeRealCard(const QDir& dir, const char* file, const QString& number,
                                                    const QString& name)
{
    const auto crop = CardCropper::croppedImage(dir.filePath(QString::fromLatin1(file)));
    if (!crop)
        return std::nullopt;
    auto resolver = std::make_shared<test::RecordingResolver>();
    resolver->onSet = [number, name](const QString& set, const QString& read, ScanFinish, const auto&) {
        const QString n = normalizeCollectorNumber(read);
        return std::vector<Candidate>{
            makeCandidate(set + n, n == number ? name : QStringLiteral("Friendly Ghost"), set.toLower(), n, 1)};
    };
    VisionCardRecognizer::Options options;
    options.trace = [](const QString&) {};
    const VisionCardRecognizer recognizer(resolver, nullptr, [] { return false; }, options);
    return QCoro::waitFor(recognizer.recognize(*crop, ScanFinish::nonfoil));
}

// Skips where the images are absent.
class RecognitionOnRealCards : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = realCards();
        if (!dir_)
            GTEST_SKIP() << "no real card images in " << VANTRY_REALCARDS_DIR;
        ASSERT_TRUE(TesseractTextRecognizer::available());
    }
    std::optional<QDir> dir_;
};

} // namespace

// Catalogue scans of real cards (real fonts, frames and artwork) through crop, the real text
// passes and the recognizer. The images are kept outside the repository; without them the
// test is skipped.
TEST_F(RecognitionOnRealCards, NeverConfirmsTheWrongPrintingNorInventsANumber)
{
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
        const auto outcome = recognizeRealCard(*dir_, c.file, QStringLiteral("125"), QStringLiteral("Bedhead Beastie"));
        ASSERT_TRUE(outcome);
        const auto& a = outcome->attribution;
        EXPECT_EQ(a.collectorNumber ? std::optional(normalizeCollectorNumber(*a.collectorNumber)) : std::nullopt,
                  c.number);
        const auto d = validatedDisposition(outcome->candidates, a);
        if (d.disposition == Disposition::autoConfirm)
            EXPECT_EQ(outcome->candidates.front().name, c.name);
    }
}

// A complete strip whose title stands away from the title bar is confirmed by it where it is:
// a room prints a title along the left edge of each half; a promotional frame prints an
// ornament before its title.
TEST_F(RecognitionOnRealCards, ATitleAwayFromTheTitleBarConfirmsItsStrip)
{
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
        const auto outcome = recognizeRealCard(*dir_, c.file, c.number, c.name);
        ASSERT_TRUE(outcome);
        ASSERT_FALSE(outcome->candidates.empty());
        EXPECT_EQ(outcome->candidates.front().name, c.name);
        EXPECT_EQ(validatedDisposition(outcome->candidates, outcome->attribution).disposition,
                  Disposition::autoConfirm);
    }
}
