#include "platform/FakeTextRecognizer.h"
#include "platform/TesseractTextRecognizer.h"

#include <QFont>
#include <QPainter>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <latch>
#include <thread>

using namespace vantry;

namespace {

QImage page(int w, int h, QColor background = Qt::white)
{
    QImage img(w, h, QImage::Format_RGBA8888_Premultiplied);
    img.fill(background);
    return img;
}

void write(QImage& img, const QString& text, int x, int baseline, int pixelSize, QColor ink = Qt::black)
{
    QPainter p(&img);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    p.setFont(f);
    p.setPen(ink);
    p.drawText(QPoint(x, baseline), text);
}

} // namespace

TEST(TesseractTextRecognizer, LinesAreNormalisedFromTheBottomAndSplitAtWideGaps)
{
    ASSERT_TRUE(TesseractTextRecognizer::available());
    // One baseline, two runs far apart (a collector number and the legal line), and a
    // title near the top; white print on black for the lower line.
    QImage img = page(1600, 400);
    QPainter(&img).fillRect(QRect(0, 250, 1600, 150), Qt::black);
    write(img, "Goblin Guide", 40, 80, 40);
    write(img, "L 0255", 40, 340, 36, Qt::white);
    write(img, "2024 Wizards of the Coast", 900, 340, 36, Qt::white);

    const auto lines = TesseractTextRecognizer().recognizeLines(img);
    ASSERT_GE(lines.size(), 3u);
    auto find = [&](const QString& text) {
        for (const auto& l : lines)
            if (l.text == text)
                return std::optional<OCRLine>(l);
        return std::optional<OCRLine>();
    };
    const auto title = find("Goblin Guide");
    const auto number = find("L 0255");
    const auto legal = find("2024 Wizards of the Coast");
    ASSERT_TRUE(title && number && legal);
    // Title middle at about y 66 of 400 from the top: 0.83 from the bottom.
    EXPECT_NEAR(title->midY, 1 - 66.0 / 400, 0.03);
    EXPECT_NEAR(title->height, 40.0 / 400, 0.04);
    EXPECT_NEAR(number->midY, 1 - 328.0 / 400, 0.03);
    EXPECT_NEAR(number->midY, legal->midY, 0.02);
}

// White print is read through the engine's inverted second read, which a crop of one kind
// of print on a mostly light ground goes without: there the print is dark.
TEST(TesseractTextRecognizer, OneKindOfPrintOnALightGroundIsNotReadInverted)
{
    QImage mixed = page(1600, 400);
    QPainter(&mixed).fillRect(QRect(0, 250, 1600, 150), Qt::black);
    write(mixed, "Goblin Guide", 40, 80, 40);
    write(mixed, "L 0255", 40, 340, 36, Qt::white);
    write(mixed, "2024 Wizards of the Coast", 900, 340, 36, Qt::white);
    QImage strip = page(1600, 150, Qt::black);
    write(strip, "L 0255", 40, 90, 36, Qt::white);
    struct Case {
        const char* what;
        const QImage& image;
        TextPrint print;
        QStringList read, unread;
    };
    const std::vector<Case> cases{
        {"mixed print", mixed, TextPrint::mixed, {"Goblin Guide", "L 0255"}, {}},
        {"one kind on a light ground", mixed, TextPrint::oneKind, {"Goblin Guide"}, {"L 0255"}},
        {"one kind on a dark ground", strip, TextPrint::oneKind, {"L 0255"}, {}},
    };
    for (const Case& c : cases) {
        QStringList texts;
        for (const OCRLine& l : TesseractTextRecognizer().recognizeLines(c.image, c.print))
            texts << l.text;
        for (const QString& t : c.read)
            EXPECT_TRUE(texts.contains(t)) << c.what << ": " << texts.join(" | ").toStdString();
        for (const QString& t : c.unread)
            EXPECT_FALSE(texts.contains(t)) << c.what << ": " << texts.join(" | ").toStdString();
    }
}

TEST(TesseractTextRecognizer, LargePrintIsReadAtAnyScale)
{
    // Capitals 150 px high: the layer shrinks the image before reading it.
    QImage img = page(2400, 400);
    write(img, "NEO 123", 60, 300, 200);
    const auto lines = TesseractTextRecognizer().recognizeLines(img);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "NEO 123");
    EXPECT_NEAR(lines[0].midY, 0.5, 0.12);
}

TEST(TesseractTextRecognizer, DegenerateImagesGiveNoLines)
{
    const TesseractTextRecognizer ocr;
    EXPECT_TRUE(ocr.recognizeLines(QImage()).empty());
    EXPECT_TRUE(ocr.recognizeLines(page(1, 1)).empty());
    EXPECT_TRUE(ocr.recognizeLines(page(20000, 1)).empty());
    EXPECT_TRUE(ocr.recognizeLines(page(300, 300, Qt::black)).empty());
    QImage grey16(200, 50, QImage::Format_Grayscale16);
    grey16.fill(Qt::white);
    EXPECT_NO_THROW(ocr.recognizeLines(grey16));
}

TEST(TesseractTextRecognizer, EveryReadingThreadKeepsOpenMPSingleThreaded)
{
    // OpenMP teams per engine thread would oversubscribe the CPU pool many times over.
    using GetLevels = int (*)();
    const auto getLevels = reinterpret_cast<GetLevels>(dlsym(RTLD_DEFAULT, "omp_get_max_active_levels"));
    if (!getLevels)
        GTEST_SKIP() << "the engine is built without OpenMP";
    for (int i = 0; i < 2; ++i) {
        int levels = -1;
        std::thread reader([&] {
            (void)TesseractTextRecognizer().recognizeLines(page(64, 64));
            levels = getLevels();
        });
        reader.join();
        EXPECT_EQ(levels, 0);
    }
}

TEST(TesseractTextRecognizer, EnginesStartingOnSeveralThreadsAtOnceAllRead)
{
    // Each new thread loads its own engine; loading writes process-wide engine settings, so
    // the loads must not overlap (ThreadSanitizer saw them race).
    QImage img = page(600, 120);
    write(img, "Goblin Guide", 20, 80, 40);
    constexpr int threads = 4;
    std::latch start(threads);
    std::vector<std::vector<OCRLine>> read(threads);
    std::vector<std::thread> readers;
    for (int i = 0; i < threads; ++i)
        readers.emplace_back([&, i] {
            start.arrive_and_wait();
            read[i] = TesseractTextRecognizer().recognizeLines(img);
        });
    for (auto& reader : readers)
        reader.join();
    for (int i = 0; i < threads; ++i) {
        ASSERT_EQ(read[i].size(), 1u) << "thread " << i;
        EXPECT_EQ(read[i][0].text, "Goblin Guide") << "thread " << i;
    }
}

TEST(FakeTextRecognizer, AnswersThroughItsScriptAndCounts)
{
    FakeTextRecognizer fake([](const QImage& img) { return std::vector<OCRLine>{{"w", double(img.width()), 0}}; });
    EXPECT_EQ(fake.recognizeLines(page(7, 3)).front().midY, 7.0);
    EXPECT_EQ(fake.calls(), 1);
    EXPECT_EQ(fake.sizes().front(), QSize(7, 3));
}
