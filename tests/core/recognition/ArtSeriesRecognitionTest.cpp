// The Art Series paths of recognition: the scanned side read as a printed Art Series back
// with the other side matched visually, and the visual match of any other card with its
// back read first.
#include "core/art/VisionArtCardMatcher.h"
#include "core/recognition/VisionCardRecognizer.h"
#include "platform/CardFeaturePrinter.h"
#include "platform/FakeTextRecognizer.h"
#include "platform/TesseractTextRecognizer.h"

#include "support/FakeFeaturePrinter.h"
#include "support/RecordingResolver.h"
#include "support/SyntheticArtCard.h"

#include <QCoroTask>

#include <gtest/gtest.h>

using namespace vantry;
using namespace vantry::test;

namespace {

// A one-pixel "card": red places it in feature space, green picks what its text says.
// (Too small for strips and bands, so each read is one whole-image pass.)
QImage pixel(int red, int green)
{
    QImage image(1, 1, QImage::Format_RGBA8888_Premultiplied);
    image.setPixelColor(0, 0, QColor(red, green, 0));
    return image;
}

std::shared_ptr<const ArtCardMatching> matcher()
{
    ArtCardIndex index{2, 1,
                       {{"bolt", "Lightning Bolt", "AMH1", "7", {0.0f}},
                        {"guide", "Goblin Guide", "AMH1", "12", {1.0f}},
                        {"guide2", "Goblin Guide", "AMH1", "40", {5.0f}}}};
    auto printer = std::make_shared<FakeFeaturePrinter>(1, [](const QImage& image) -> std::optional<std::vector<float>> {
        return std::vector<float>{float(image.pixelColor(0, 0).red()) / 100.0f};
    });
    return std::make_shared<VisionArtCardMatcher>(std::move(index), 0.6f, 5, printer);
}

std::shared_ptr<const TextRecognizing> engine()
{
    return std::make_shared<FakeTextRecognizer>([](const QImage& image) {
        std::vector<OCRLine> lines;
        auto add = [&](const char* text, double y) { lines.push_back({QString::fromUtf8(text), y, 0.05}); };
        switch (image.pixelColor(0, 0).green()) {
        case 1: add("ART SERIES", 0.9); add("Goblin Guide", 0.5); add("12/54", 0.1); break; // one exact print
        case 2: add("ART SERIES", 0.9); add("7/54", 0.1); break;                           // number only
        case 3: add("ART SERIES", 0.9); break;                                             // marker only
        default: break;                                                                    // no text
        }
        return lines;
    });
}

CardRecognizing::BackLoader backOf(std::optional<QImage> image, int* calls)
{
    return [image, calls]() -> QCoro::Task<std::optional<QImage>> {
        ++*calls;
        co_return image;
    };
}

struct Recognized {
    std::vector<std::pair<QString, double>> candidates;
    QStringList trace;
    int backLoads = 0;
};

Recognized recognize(const QImage& front, std::optional<std::optional<QImage>> back)
{
    Recognized run;
    auto resolver = std::make_shared<RecordingResolver>();
    auto trace = std::make_shared<QStringList>();
    VisionCardRecognizer recognizer(resolver, matcher(), [] { return false; },
                                    {.text = engine(), .glyph = {}, .trace = [trace](const QString& line) { *trace << line; }});
    const auto outcome = QCoro::waitFor(
        recognizer.recognize(front, ScanFinish::foil, back ? backOf(*back, &run.backLoads) : nullptr));
    for (const Candidate& c : outcome.candidates) {
        run.candidates.emplace_back(c.scryfallId, c.score);
        EXPECT_EQ(c.finish, ScanFinish::foil);
        EXPECT_TRUE(c.isArtSeries);
    }
    // Only the lines that say how the scan was settled.
    for (const QString& line : *trace)
        if (line.contains(QLatin1String("->")))
            run.trace << line;
    return run;
}

} // namespace

TEST(ArtSeriesRecognition, ScannedBackIsReadAndTheOtherSideMatchedVisually)
{
    using Summary = std::vector<std::pair<QString, double>>;
    const struct {
        const char* what;
        QImage front;
        std::optional<std::optional<QImage>> back;
        int backLoads;
        Summary expected;
        QString settled;
    } cases[] = {
        {"printed back names one print: the other side is not needed", pixel(0, 1), std::optional<QImage>(pixel(0, 0)),
         0, {{"guide", 1.0}}, "[recognize]   -> 1 art-series candidates from text side (exact, auto)"},
        {"number only: the other side's look confirms it", pixel(0, 2), std::optional<QImage>(pixel(10, 0)), 1,
         {{"bolt", 0.9}}, "[recognize]   -> 1 art-series candidates from text side (review)"},
        {"marker only, no other side: nothing settles it", pixel(0, 3), std::nullopt, 0, {},
         "[recognize]   -> nothing parsed"},
    };
    for (const auto& c : cases) {
        const Recognized run = recognize(c.front, c.back);
        EXPECT_EQ(run.candidates, c.expected) << c.what;
        EXPECT_EQ(run.backLoads, c.backLoads) << c.what;
        ASSERT_FALSE(run.trace.isEmpty()) << c.what;
        EXPECT_EQ(run.trace.last(), c.settled) << c.what;
    }
}

TEST(ArtSeriesRecognition, OtherCardsReadTheirBackBeforeTheVisualMatch)
{
    using Summary = std::vector<std::pair<QString, double>>;
    const struct {
        const char* what;
        QImage front;
        std::optional<std::optional<QImage>> back;
        Summary expected;
        QString settled;
    } cases[] = {
        {"back names one print", pixel(250, 0), std::optional<QImage>(pixel(0, 1)), {{"guide", 1.0}},
         "[recognize]   -> art card resolved exactly from its back (auto)"},
        {"no back side: the front's look alone", pixel(95, 0), std::nullopt, {{"guide", 0.57}},
         "[recognize]   -> 1 art-card candidates (visual) (review)"},
        {"back's number confirms the front's look", pixel(5, 0), std::optional<QImage>(pixel(0, 2)), {{"bolt", 0.9}},
         "[recognize]   -> 1 art-card candidates (visual + back text) (review)"},
        {"nothing on either side", pixel(250, 0), std::optional<QImage>(pixel(0, 0)), {},
         "[recognize]   -> nothing parsed"},
    };
    for (const auto& c : cases) {
        const Recognized run = recognize(c.front, c.back);
        EXPECT_EQ(run.candidates, c.expected) << c.what;
        ASSERT_FALSE(run.trace.isEmpty()) << c.what;
        EXPECT_EQ(run.trace.last(), c.settled) << c.what;
    }
}

// End to end on rendered cards with the real text engine and descriptor: a scanned Art
// Series front that says nothing useful is found by its look among indexed prints.
TEST(ArtSeriesRecognition, FindsARenderedArtCardByItsLook)
{
    if (!TesseractTextRecognizer::available())
        GTEST_SKIP() << "no Tesseract English model";
    const QStringList names{"Tarmogoyf", "Ancestral Recall", "Shivan Dragon", "Serra Angel"};
    ArtCardIndex index{artCardFeaturePrintRevision, CardFeaturePrinter::kDimension, {}};
    std::vector<QImage> cards;
    for (int i = 0; i < names.size(); ++i) {
        cards.push_back(renderArtCard(700 + i, names[i]));
        index.entries.push_back({QStringLiteral("id-%1").arg(i), names[i], QStringLiteral("AMH3"),
                                 QString::number(i + 1), *VisionArtCardMatcher::featurePrintVector(cards.back())});
    }
    auto trace = std::make_shared<QStringList>();
    VisionCardRecognizer recognizer(std::make_shared<RecordingResolver>(),
                                    std::make_shared<VisionArtCardMatcher>(std::move(index)), [] { return false; },
                                    {.text = {}, .glyph = {}, .trace = [trace](const QString& line) { *trace << line; }});
    const QImage scan = simulateScan(cards[2], {.dpi = 300, .skewDegrees = -1.0, .jpegQuality = 85});
    const auto outcome = QCoro::waitFor(recognizer.recognize(scan, ScanFinish::nonfoil));
    ASSERT_FALSE(outcome.candidates.empty()) << trace->join(u'\n').toStdString();
    EXPECT_EQ(outcome.candidates[0].scryfallId, "id-2");
    EXPECT_TRUE(outcome.candidates[0].isArtSeries);
    EXPECT_GT(outcome.candidates[0].score, 0.24);
    EXPECT_TRUE(trace->last().endsWith(QLatin1String("art-card candidates (visual) (review)")))
        << trace->join(u'\n').toStdString();
}
