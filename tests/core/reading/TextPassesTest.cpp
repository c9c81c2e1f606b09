#include "core/reading/CollectorMatching.h"
#include "core/reading/TextPasses.h"
#include "core/support/ImageDecode.h"
#include "platform/FakeTextRecognizer.h"
#include "platform/TesseractTextRecognizer.h"

#include <QCoroTask>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vantry;

TEST(TextPasses, FourPassesRunAndAFailingPassDropsOut)
{
    // The fake tells the passes apart by their image sizes: whole 100x200, collector strip
    // 165x51 (its bottom-left corner ×3), title bar 200x38 (×2), band 300x120. The band pass fails.
    auto engine = std::make_shared<FakeTextRecognizer>([](const QImage& img) -> std::vector<OCRLine> {
        if (img.size() == QSize(100, 200))
            return {{"whole", 0.5, 0.1}};
        if (img.size() == QSize(165, 51))
            return {{"strip", 0.5, 0.1}};
        if (img.size() == QSize(200, 38))
            return {{"title", 0.5, 0.1}};
        throw std::runtime_error("engine failed");
    });
    QImage img(100, 200, image::workingFormat);
    img.fill(Qt::white);
    const auto lines = QCoro::waitFor(TextPasses::recognizeAttributionLines(engine, img));
    EXPECT_EQ(engine->calls(), 4);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, "strip");
    EXPECT_DOUBLE_EQ(lines[0].midY, 0.0425);
    EXPECT_DOUBLE_EQ(lines[0].height, 0.0085);
    EXPECT_EQ(lines[1].text, "title");
    EXPECT_DOUBLE_EQ(lines[1].midY, 0.9325);
    EXPECT_EQ(lines[2].text, "whole");
}

TEST(TextPasses, TitleOfALineReadWhole)
{
    struct Case {
        const char* read;
        const char* title;
    };
    const std::vector<Case> cases{
        {"Gloom . - * oe oo > \u201Cg", "Gloom"},                  // texture after the first letterless piece
        {"B Learled Unicorn", "Learled Unicorn"},                    // the frame's edge read as a letter
        {"| Circle of Protection: Blue", "Circle of Protection: Blue"},
        {"\u2018( Inquisitive Glimm", "Inquisitive Glimm"},          // an ornament before the title
        {"\u2018ifebreathing \u00A9", "ifebreathing"},              // a quote stuck to the first word
        {"Tranquility\u201D", "Tranquility"},
        {"Keldon Warlord 2", "Keldon Warlord"},                      // the mana cost
        {"B\u00E9stilence", "Bestilence"},                           // stray accents of grainy print
        {"Niko, Light of Hope", "Niko, Light of Hope"},
        {"X", "X"},                                                  // a lone letter is all there is
        {". - *", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextPasses::titleOfLine(QString::fromUtf8(c.read)), QString::fromUtf8(c.title)) << c.read;
}

namespace {

// A card's top as older frames print it: a title in a serif face, light on a dark, grainy
// frame, or dark on a light one, with a mana symbol at the right; `capital` enlarges the first
// letter as ornate initials stand; busy artwork from `artworkTop` (a share of the height, 0 for
// none) down.
QImage oldFrameTop(const QString& title, QColor ground, QColor print, int height = 1039, double capital = 1,
                   double artworkTop = 0, double artworkBottom = 0.3)
{
    const int width = height * 672 / 936;
    QImage card(width, height, image::workingFormat);
    card.fill(ground);
    std::mt19937 grain(7);
    std::uniform_int_distribution<int> shade(-40, 40);
    for (int y = 0; y < height / 5; ++y)
        for (int x = 0; x < width; ++x) {
            const QColor c = card.pixelColor(x, y);
            const int d = shade(grain);
            card.setPixelColor(x, y, QColor(std::clamp(c.red() + d, 0, 255), std::clamp(c.green() + d, 0, 255),
                                            std::clamp(c.blue() + d, 0, 255)));
        }
    QPainter p(&card);
    if (artworkTop > 0 || artworkBottom < 0.3) {
        // Fine, high-contrast detail.
        std::uniform_int_distribution<int> tone(0, 1);
        const int cell = std::max(2, height / 350);
        for (int y = int(height * artworkTop); y < int(height * artworkBottom); y += cell)
            for (int x = int(width * 0.06); x < int(width * 0.94); x += cell) {
                const int v = 255 * tone(grain);
                p.fillRect(x, y, cell, cell, QColor(v, v, 255 - v));
            }
    }
    p.setRenderHint(QPainter::Antialiasing);
    QFont serif(QStringLiteral("DejaVu Serif"));
    serif.setPixelSize(int(height * 0.032));
    p.setFont(serif);
    p.setPen(print);
    QFont initial = serif;
    initial.setPixelSize(int(serif.pixelSize() * capital));
    p.setFont(initial);
    const QString first = title.left(1);
    p.drawText(QPointF(width * 0.08, height * 0.075), first);
    const qreal after = QFontMetricsF(initial).horizontalAdvance(first);
    p.setFont(serif);
    p.drawText(QPointF(width * 0.08 + after, height * 0.075), title.mid(1));
    p.setBrush(print);
    p.drawEllipse(QPointF(width * 0.88, height * 0.065), height * 0.014, height * 0.014);
    return card;
}

} // namespace

// The title line is found by its print wherever the top of the card shows it and read as one
// line by the real engine, light print on a dark grainy frame as well as dark on light, at
// 300 and 600 dpi; grey print on a bright blue frame (as dark as the frame in luma) in its
// whiteness, a tall initial included; over busy artwork the line is the title, not the
// artwork's densest rows nor its top where the search ends; an even ground has no title line.
TEST(TextPasses, LocatedTitleReadsOldFrames)
{
    ASSERT_TRUE(TesseractTextRecognizer::available());
    using Ground = AttributionStrip::LineGround;
    struct Case {
        const char* name;
        QColor ground, print;
        int height;
        Ground read;
        const char* title = "Sengir Vampire";
        double capital = 1;
        double artworkTop = 0;
        double artworkBottom = 0.3;
    };
    const std::vector<Case> cases{
        {"light on dark, 300 dpi", QColor(50, 45, 45), QColor(215, 215, 205), 1039, Ground::smoothed},
        {"light on red, 600 dpi", QColor(120, 40, 35), QColor(230, 220, 210), 2080, Ground::smoothed},
        {"dark on light", QColor(215, 210, 195), QColor(30, 30, 30), 1039, Ground::smoothed},
        {"grey on blue", QColor(30, 150, 230), QColor(165, 165, 165), 1039, Ground::whiteness},
        {"tall initial", QColor(40, 150, 215), QColor(225, 225, 220), 1039, Ground::whiteness, "Jump Wurm", 1.9},
        {"over artwork", QColor(50, 45, 45), QColor(215, 215, 205), 1039, Ground::smoothed, "Sengir Vampire", 1, 0.095},
        {"artwork at the search's foot", QColor(50, 45, 45), QColor(215, 215, 205), 1039, Ground::smoothed, "Jump",
         1, 0.13},
        {"artwork at the search's top", QColor(50, 45, 45), QColor(215, 215, 205), 1039, Ground::smoothed, "Jump",
         1, 0, 0.04},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString title = QString::fromUtf8(c.title);
        const QImage card = oldFrameTop(title, c.ground, c.print, c.height, c.capital, c.artworkTop, c.artworkBottom);
        const auto located = AttributionStrip::locatedTitleLine(card);
        ASSERT_TRUE(located);
        EXPECT_NEAR(located->midY, 1 - 0.065, 0.02);
        const auto lines =
            QCoro::waitFor(TextPasses::recognizeLocatedTitle(TesseractTextRecognizer::shared(), card, c.read));
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_TRUE(titlesAgree(lines[0].text, title)) << lines[0].text.toStdString();
        EXPECT_TRUE(titlesCoverName({lines[0].text}, title)) << lines[0].text.toStdString();
    }
    QImage even(744, 1039, image::workingFormat);
    even.fill(QColor(60, 60, 60));
    EXPECT_FALSE(AttributionStrip::locatedTitleLine(even));
}
