#include "core/reading/TextPasses.h"
#include "core/support/ImageDecode.h"
#include "platform/FakeTextRecognizer.h"

#include <QCoroTask>

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
