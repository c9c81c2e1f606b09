#include "platform/TesseractTextRecognizer.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <gtest/gtest.h>

using namespace vantry;

TEST(TesseractObservations, CharacterBoxesFollowThePrint)
{
    ASSERT_TRUE(TesseractTextRecognizer::available());
    QImage img(1200, 200, QImage::Format_RGBA8888_Premultiplied);
    img.fill(Qt::black);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(40);
    {
        QPainter p(&img);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QPoint(100, 120), QStringLiteral("DSK"));
        p.drawText(QPoint(230, 120), QStringLiteral("EN"));
        p.drawText(QPoint(320, 120), QStringLiteral("JOHN AVON"));
    }
    const TesseractTextRecognizer engine;
    const auto lines = engine.recognizeLines(img);
    const auto observations = engine.recognizeObservations(img);
    // The same lines as the plain reading.
    ASSERT_EQ(observations.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(observations[i].text, lines[i].text);
        EXPECT_NEAR(observations[i].line().midY, lines[i].midY, 1e-12);
        EXPECT_NEAR(observations[i].line().height, lines[i].height, 1e-12);
        EXPECT_EQ(observations[i].characterBoxes.size(), std::size_t(observations[i].text.size()));
    }
    const auto line = std::find_if(observations.begin(), observations.end(),
                                   [](const TextObservation& o) { return o.text.startsWith("DSK EN"); });
    ASSERT_NE(line, observations.end());
    const auto set = line->boundingBox(0, 3);
    const auto language = line->boundingBox(4, 2);
    ASSERT_TRUE(set && language);
    const QFontMetrics metrics(font);
    // Ink boxes: within a few pixels of where the words were drawn.
    EXPECT_NEAR(set->x * 1200, 100, 6);
    EXPECT_NEAR(set->right() * 1200, 100 + metrics.horizontalAdvance("DSK"), 8);
    EXPECT_NEAR(language->x * 1200, 230, 6);
    EXPECT_NEAR(set->top(), 1 - (120.0 - metrics.capHeight()) / 200, 0.03);
    EXPECT_NEAR(set->y, 1 - 120.0 / 200, 0.03);
    // The space between the words has no box; a range of spaces has none either.
    EXPECT_FALSE(line->characterBoxes[3]);
    EXPECT_FALSE(line->boundingBox(3, 1));
    EXPECT_FALSE(line->boundingBox(4, 200));
}
