#include "core/support/ImageCopy.h"
#include "core/recognition/VisionCardRecognizer.h"
#include "platform/FakeTextRecognizer.h"
#include "platform/TesseractTextRecognizer.h"

#include "support/SyntheticArtCard.h"

#include <QCoroTask>

#include <latch>

#include <gtest/gtest.h>

using namespace vantry;
using namespace vantry::test;

namespace {

ArtCardEntry entry(const QString& id, const QString& name, const QString& number)
{
    return {id, name, QStringLiteral("AMH1"), number, {}};
}

std::shared_ptr<const ArtCardBackIndex> indexOf(std::vector<ArtCardEntry> entries)
{
    return std::make_shared<const ArtCardBackIndex>(std::move(entries));
}

// A 2x2 image whose top-left pixel tells the fake recognizer how it is turned.
QImage probe()
{
    QImage image(2, 2, QImage::Format_RGBA8888_Premultiplied);
    image.setPixelColor(0, 0, QColor(10, 0, 0));  // upright
    image.setPixelColor(0, 1, QColor(40, 0, 0));  // one quarter turn
    image.setPixelColor(1, 1, QColor(30, 0, 0));  // half turn
    image.setPixelColor(1, 0, QColor(20, 0, 0));  // three quarter turns
    return image;
}

int turnsOf(const QImage& image)
{
    switch (image.pixelColor(0, 0).red()) {
    case 10: return 0;
    case 40: return 1;
    case 30: return 2;
    default: return 3;
    }
}

std::vector<OCRLine> lines(const QStringList& texts)
{
    std::vector<OCRLine> out;
    for (const QString& t : texts)
        out.push_back({t, 0.5, 0.05});
    return out;
}

} // namespace

TEST(ArtTextSide, ReadsOnlyTheTurnsItStillNeeds)
{
    const auto index = indexOf({entry("guide", "Goblin Guide", "12"), entry("guide2", "Goblin Guide", "40"),
                                entry("bolt", "Lightning Bolt", "7")});
    struct Case {
        const char* what;
        std::vector<OCRLine> seed;
        // What each orientation reads.
        std::array<QStringList, 4> text;
        std::vector<int> expectedReads;
        std::optional<QStringList> exact; // ids; nothing: no resolution
    };
    const Case cases[] = {
        {"seed lines settle it: no reads", lines({"ART SERIES", "Goblin Guide", "12/54"}), {}, {}, QStringList{"guide"}},
        {"upside-down back: upright, then half turn",
         {},
         {QStringList{"3NIΩ"}, {}, QStringList{"ART SERIES", "Lightning Bolt", "7/54"}, {}},
         {0, 2},
         QStringList{"bolt"}},
        {"marker but two prints by name: sideways reads, best kept",
         lines({"ART SERIES", "Goblin Guide"}),
         {QStringList{"never read"}, QStringList{"nothing new"}, {}, QStringList{"still nothing"}},
         {1, 3},
         QStringList{}},
        {"number found sideways settles it",
         lines({"art series", "Goblin Guide"}),
         {QStringList{}, QStringList{"40/54"}, {}, QStringList{"never read"}},
         {1},
         QStringList{"guide2"}},
        {"no marker anywhere: nothing", {}, {QStringList{"Goblin Guide"}, {}, QStringList{"12/54"}, {}}, {0, 2}, {}},
    };
    for (const Case& c : cases) {
        std::vector<int> reads;
        QMutex lock;
        auto engine = std::make_shared<FakeTextRecognizer>([&](const QImage& image) {
            const int t = turnsOf(image);
            QMutexLocker locker(&lock);
            reads.push_back(t);
            return lines(c.text[t]);
        });
        const auto resolution = QCoro::waitFor(VisionCardRecognizer::resolveArtTextSide(engine, probe(), c.seed, index));
        EXPECT_EQ(reads, c.expectedReads) << c.what;
        ASSERT_EQ(resolution.has_value(), c.exact.has_value()) << c.what;
        if (resolution) {
            QStringList ids;
            for (const auto& e : resolution->exact)
                ids << e.scryfallId;
            EXPECT_EQ(ids, *c.exact) << c.what;
        }
    }

    // Without entries nothing is read at all.
    auto engine = std::make_shared<FakeTextRecognizer>();
    EXPECT_FALSE(QCoro::waitFor(VisionCardRecognizer::resolveArtTextSide(engine, probe(), {}, {})));
    EXPECT_FALSE(QCoro::waitFor(VisionCardRecognizer::resolveArtTextSide(engine, probe(), {}, indexOf({}))));
    EXPECT_EQ(engine->calls(), 0);
}

// A rendered back lying upside down is read by the real engine and resolved exactly.
TEST(ArtTextSide, ResolvesARenderedBackUpsideDown)
{
    if (!TesseractTextRecognizer::available())
        GTEST_SKIP() << "no Tesseract English model";
    const auto index = indexOf({entry("bolt", "Lightning Bolt", "07"), entry("guide", "Goblin Guide", "12"),
                                entry("other", "Lightning Helix", "12")});
    const QImage back = renderArtCardBack(QStringLiteral("Goblin Guide"), QStringLiteral("12/54"), 2);
    const auto resolution =
        QCoro::waitFor(VisionCardRecognizer::resolveArtTextSide(TesseractTextRecognizer::shared(), back, {}, index));
    ASSERT_TRUE(resolution);
    ASSERT_EQ(resolution->exact.size(), 1u);
    EXPECT_EQ(resolution->exact[0].scryfallId, "guide");
    ASSERT_EQ(resolution->collectorMatches.size(), 1u);
    EXPECT_EQ(resolution->collectorMatches[0].scryfallId, "other");
}

// Resolving a back compares every index entry with the back's lines: with thousands of
// prints that takes long enough to stall the window, so it runs on the CPU pool, in the
// caller's lane, even when the lines come with the scan and nothing needs reading.
TEST(ArtTextSide, ResolvesOnTheCallersLaneOfThePool)
{
    const auto index = indexOf({entry("bolt", "Lightning Bolt", "7"), entry("guide", "Goblin Guide", "12")});
    const auto seed = lines({"ART SERIES", "Goblin Guide", "12/54"});
    auto engine = std::make_shared<FakeTextRecognizer>();

    // Both interactive queues held: the resolution waits for them, and the main thread is free.
    // Shared with the holders: one may only start waiting after this test has ended.
    const auto release = std::make_shared<std::latch>(1);
    for (int i = 0; i < 2; ++i)
        CPUWork::submit([release] { release->wait(); }, CPULane::interactive);
    auto resolving = VisionCardRecognizer::resolveArtTextSide(engine, probe(), seed, index, CPULane::interactive);
    EXPECT_FALSE(resolving.isReady());
    release->count_down();

    const auto resolution = QCoro::waitFor(std::move(resolving));
    ASSERT_TRUE(resolution);
    EXPECT_EQ(*resolution, ArtCardBack::resolve(*ArtCardBack::parse(seed), index->entries()));
    ASSERT_EQ(resolution->exact.size(), 1u);
    EXPECT_EQ(resolution->exact[0].scryfallId, "guide");
    EXPECT_EQ(engine->calls(), 0);
}
