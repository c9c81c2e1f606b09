#include "core/foil/SeparatorLocator.h"

#include "core/reading/CardCropper.h"
#include "core/foil/FoilBandScan.h"
#include "core/foil/FoilSeparator.h"
#include "platform/FakeTextRecognizer.h"
#include "platform/TesseractTextRecognizer.h"
#include "support/GlyphImages.h"
#include "support/SyntheticScan.h"

#include <gtest/gtest.h>

#include <QCoroTask>
#include <QMutex>
#include <QPainter>

using namespace vantry;
using namespace vantry::test;

namespace {

using Ranges = SeparatorLocator::TokenRanges;

// Answers each read with the observations scripted for that call (in call order).
class ScriptedObservations : public TextRecognizing {
public:
    explicit ScriptedObservations(std::vector<std::vector<TextObservation>> answers) : answers_(std::move(answers)) {}

    std::vector<OCRLine> recognizeLines(const QImage&, TextPrint = TextPrint::mixed) const override { return {}; }
    std::vector<TextObservation> recognizeObservations(const QImage& image) const override
    {
        QMutexLocker lock(&mutex_);
        sizes_.push_back(image.size());
        const std::size_t call = calls_++;
        return call < answers_.size() ? answers_[call] : std::vector<TextObservation>{};
    }
    int calls() const
    {
        QMutexLocker lock(&mutex_);
        return int(calls_);
    }
    std::vector<QSize> sizes() const
    {
        QMutexLocker lock(&mutex_);
        return sizes_;
    }

private:
    std::vector<std::vector<TextObservation>> answers_;
    mutable QMutex mutex_;
    mutable std::size_t calls_ = 0;
    mutable std::vector<QSize> sizes_;
};

// "ABC • EN" with the set code over x 0.10..0.36 and the language over `languageX`..+0.12 of
// the strip, both over y 0.25..0.75 (from the bottom); the separator's own box is not given.
TextObservation abcEn(double languageX = 0.52, QString text = QStringLiteral("ABC \u2022 EN"))
{
    TextObservation o;
    o.text = text;
    o.box = {0.1, 0.25, languageX + 0.12 - 0.1, 0.5};
    o.characterBoxes.resize(std::size_t(text.size()));
    QString asBullet = text;
    asBullet.replace(u'+', QChar(0x2022)).replace(QChar(0x00A2), QChar(0x2022));
    const auto ranges = SeparatorLocator::setLangTokenRanges(asBullet);
    if (ranges) {
        for (qsizetype i = 0; i < ranges->setLength; ++i)
            o.characterBoxes[std::size_t(ranges->setStart + i)] = TextBox{0.1 + 0.26 * i / 3, 0.25, 0.26 / 3, 0.5};
        for (qsizetype i = 0; i < ranges->languageLength; ++i)
            o.characterBoxes[std::size_t(ranges->languageStart + i)] = TextBox{languageX + 0.06 * i, 0.25, 0.06, 0.5};
    }
    return o;
}

enum class Glyph { star, dot, none };

// A strip-sized picture: white token bars and the glyph between them, centred at x 0.44.
QImage stripWithGlyph(QSize size, Glyph glyph)
{
    QImage strip = filledImage(size, Qt::black);
    const double w = size.width(), h = size.height();
    drawRect(strip, QRect(int(0.1 * w), int(0.3 * h), int(0.25 * w), int(0.4 * h)), Qt::white);
    drawRect(strip, QRect(int(0.53 * w), int(0.3 * h), int(0.1 * w), int(0.4 * h)), Qt::white);
    const double r = 0.18 * h;
    if (glyph == Glyph::star)
        drawStar(strip, {0.44 * w, 0.5 * h}, r, 0.4 * r, Qt::white);
    else if (glyph == Glyph::dot)
        drawDisc(strip, {0.44 * w, 0.5 * h}, 0.55 * r, Qt::white);
    return strip;
}

} // namespace

TEST(SeparatorLocator, TokenRanges)
{
    struct Case {
        QString text;
        std::optional<Ranges> expected;
    };
    const std::vector<Case> cases = {
        {"M21 EN", Ranges{0, 3, 4, 2}},
        {"123 EN", std::nullopt},  // the set token needs a letter
        {"ABC ENG", std::nullopt}, // the language token is exactly two letters
        {"ABCDEF EN", Ranges{1, 5, 7, 2}}, // no boundary needed before the set token
        {QStringLiteral("DSK \u2022 EN \u270E JOHN AVON"), Ranges{0, 3, 6, 2}},
        {QStringLiteral("M21\u2605EN"), Ranges{0, 3, 4, 2}},
        {"BFZ * EN", Ranges{0, 3, 6, 2}},
        {"BFZ + EN", std::nullopt}, // "+" is not an admitted separator
        {"C 0162", std::nullopt},
        {"xx 2XM de", Ranges{3, 3, 7, 2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SeparatorLocator::setLangTokenRanges(c.text), c.expected) << c.text.toStdString();
}

TEST(SeparatorLocator, GlyphBetweenTheTokens)
{
    const QSize size(900, 150);
    struct Case {
        const char* name;
        std::vector<TextObservation> observations;
        QImage strip;
        SeparatorGlyph expected;
    };
    TextObservation noBoxes = abcEn();
    noBoxes.characterBoxes.assign(noBoxes.characterBoxes.size(), std::nullopt);
    const std::vector<Case> cases = {
        {"star", {abcEn()}, stripWithGlyph(size, Glyph::star), SeparatorGlyph::star},
        {"dot", {abcEn()}, stripWithGlyph(size, Glyph::dot), SeparatorGlyph::dot},
        {"empty gap", {abcEn()}, stripWithGlyph(size, Glyph::none), SeparatorGlyph::unknown},
        {"language box before the set box ends", {abcEn(0.30)}, stripWithGlyph(size, Glyph::star),
         SeparatorGlyph::unknown},
        {"no character boxes", {noBoxes}, stripWithGlyph(size, Glyph::star), SeparatorGlyph::unknown},
        {"no token match, then a match", {abcEn(0.52, "C 0162"), abcEn()}, stripWithGlyph(size, Glyph::dot),
         SeparatorGlyph::dot},
        {"no observations", {}, stripWithGlyph(size, Glyph::star), SeparatorGlyph::unknown},
        // Tesseract's readings of the separator frame the tokens as well.
        {"read as a plus", {abcEn(0.52, "ABC + EN")}, stripWithGlyph(size, Glyph::dot), SeparatorGlyph::dot},
        {"read as a cent sign", {abcEn(0.52, QStringLiteral("ABC \u00A2 EN"))}, stripWithGlyph(size, Glyph::star),
         SeparatorGlyph::star},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SeparatorLocator::glyphFromObservations(c.observations, c.strip), c.expected) << c.name;
}

TEST(SeparatorLocator, BandScanFirstThenBottomThenTopStrip)
{
    // A 600 x 840 card: strips are 151 px high, read 3 times enlarged.
    const QSize cardSize(600, 840);
    auto locate = [](std::shared_ptr<const TextRecognizing> engine, const QImage& card) {
        return QCoro::waitFor(SeparatorLocator::glyph(std::move(engine), card));
    };

    // Band scan: a dense line with a star in the bottom-left band; no text is read.
    {
        QImage card = filledImage(cardSize, Qt::black);
        for (int i = 0; i < 4; ++i)
            drawRect(card, QRect(30 + 13 * i, 776, 9, 16), Qt::white);
        drawStar(card, QPointF(95, 784), 9.5, 3.6, Qt::white);
        auto engine = std::make_shared<ScriptedObservations>(std::vector<std::vector<TextObservation>>{});
        EXPECT_EQ(locate(engine, card), SeparatorGlyph::star);
        EXPECT_EQ(engine->calls(), 0);
    }
    // Bottom strip read: nothing the band scan can see (a lone glyph), the text frames a dot.
    {
        QImage card = filledImage(cardSize, Qt::black);
        const QImage strip = stripWithGlyph(QSize(600, 151), Glyph::dot);
        QPainter(&card).drawImage(0, 840 - 151, strip);
        auto engine = std::make_shared<ScriptedObservations>(std::vector<std::vector<TextObservation>>{{abcEn()}});
        EXPECT_EQ(locate(engine, card), SeparatorGlyph::dot);
        EXPECT_EQ(engine->calls(), 1);
        EXPECT_EQ(engine->sizes().front(), QSize(1800, 453));
    }
    // Nothing in the bottom strip: the top strip answers.
    {
        QImage card = filledImage(cardSize, Qt::black);
        QPainter(&card).drawImage(0, 0, stripWithGlyph(QSize(600, 151), Glyph::star));
        auto engine =
            std::make_shared<ScriptedObservations>(std::vector<std::vector<TextObservation>>{{}, {abcEn()}});
        EXPECT_EQ(locate(engine, card), SeparatorGlyph::star);
        EXPECT_EQ(engine->calls(), 2);
    }
    // Too small: nothing to read.
    for (const QSize size : {QSize(1, 1), QSize(40, 2)}) {
        auto engine = std::make_shared<ScriptedObservations>(
            std::vector<std::vector<TextObservation>>{{abcEn()}, {abcEn()}});
        EXPECT_EQ(locate(engine, filledImage(size, Qt::white)), SeparatorGlyph::unknown);
        EXPECT_EQ(engine->calls(), 0);
    }
}

TEST(SeparatorLocator, EnginesWithoutCharacterBoxesReportFullWidthLines)
{
    FakeTextRecognizer engine([](const QImage&) { return std::vector<OCRLine>{{"ABC EN", 0.4, 0.2}}; });
    const auto observations = engine.recognizeObservations(filledImage({10, 10}, Qt::black));
    ASSERT_EQ(observations.size(), 1u);
    EXPECT_EQ(observations[0].line(), (OCRLine{"ABC EN", 0.4, 0.2}));
    EXPECT_FALSE(observations[0].boundingBox(0, 3));
}

TEST(SeparatorLocator, RenderedCardsWithTesseract)
{
    ASSERT_TRUE(TesseractTextRecognizer::available());
    const auto engine = TesseractTextRecognizer::shared();
    auto cropped = [](const SyntheticCard& c) { return CardCropper::cropCard(renderSyntheticScan(c)); };

    // A bullet: the band scan says nothing, the bottom strip's gap holds a dot.
    const QImage nonfoil = cropped(SyntheticCard::modern("Lightning Bolt", "M21", "0162"));
    EXPECT_EQ(QCoro::waitFor(SeparatorLocator::glyph(engine, nonfoil)), SeparatorGlyph::dot);

    // A star: found by the band scan on a dark border, and by the text path on a light one.
    SyntheticCard foil = SyntheticCard::modern("Lightning Bolt", "M21", "0162", u'C', "EN", true);
    EXPECT_EQ(FoilBandScan::starGlyph(cropped(foil)), SeparatorGlyph::star);
    foil.darkBorder = false;
    EXPECT_EQ(SeparatorLocator::glyphInStrip(*engine, cropped(foil), AttributionStrip::Edge::bottom),
              SeparatorGlyph::star);
}

TEST(SeparatorLocator, IsolatedGlyph)
{
    // Dark bullet between dark letters on a light ground; the padding reaches both letters.
    QImage gap = filledImage({60, 30}, QColor(236, 234, 228));
    drawRect(gap, QRect(0, 2, 5, 26), QColor(20, 20, 20));
    drawRect(gap, QRect(54, 2, 6, 26), QColor(20, 20, 20));
    drawDisc(gap, {30, 15}, 6, QColor(20, 20, 20));
    const QImage isolated = SeparatorLocator::isolatedGlyph(gap);
    const auto blob = FoilSeparator::largestWhiteBlob(isolated);
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->width, 13);
    EXPECT_EQ(blob->height, 13);
    QImage starGap = filledImage({60, 30}, QColor(236, 234, 228));
    drawRect(starGap, QRect(0, 2, 5, 26), QColor(20, 20, 20));
    drawStar(starGap, {30, 15}, 12, 4.8, QColor(20, 20, 20));
    EXPECT_EQ(FoilSeparator::classify(starGap, 0.72, 0.85), SeparatorGlyph::dot); // the ground, wrongly
    EXPECT_EQ(FoilSeparator::classify(SeparatorLocator::isolatedGlyph(starGap), 0.72, 0.85), SeparatorGlyph::star);
}
