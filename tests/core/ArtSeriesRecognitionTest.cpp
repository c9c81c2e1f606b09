#include "core/ArtSeriesRecognition.h"

#include "core/VisionArtCardMatcher.h"
#include "platform/FakeTextRecognizer.h"

#include "support/FakeFeaturePrinter.h"

#include <QCoroTask>

#include <gtest/gtest.h>

using namespace vantry;
using namespace vantry::test;

namespace {

// A one-pixel "card": red places it in feature space, green picks what its text says.
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
        auto add = [&](const char* text) { lines.push_back({QString::fromUtf8(text), 0.5, 0.05}); };
        switch (image.pixelColor(0, 0).green()) {
        case 1: add("ART SERIES"); add("Goblin Guide"); add("12/54"); break; // one exact print
        case 2: add("ART SERIES"); add("7/54"); break;                        // number only
        default: break;                                                      // no text
        }
        return lines;
    });
}

ArtSeriesRecognition::BackLoader backOf(std::optional<QImage> image, int* calls)
{
    return [image, calls]() -> QCoro::Task<std::optional<QImage>> {
        ++*calls;
        co_return image;
    };
}

std::vector<std::pair<QString, double>> summary(const std::vector<Candidate>& candidates)
{
    std::vector<std::pair<QString, double>> out;
    for (const Candidate& c : candidates)
        out.emplace_back(c.scryfallId, c.score);
    return out;
}

} // namespace

TEST(ArtSeriesRecognition, TextSideReadsTheScannedSideAndMatchesTheBackVisually)
{
    using Summary = std::vector<std::pair<QString, double>>;
    const struct {
        const char* what;
        std::vector<OCRLine> seed;
        std::optional<QImage> back;
        int backLoads;
        std::optional<Summary> expected;
        std::string trace;
    } cases[] = {
        {"printed back names one print: no back needed",
         {{"ART SERIES", 0.9, 0.05}, {"Goblin Guide", 0.5, 0.05}, {"12/54", 0.1, 0.05}},
         pixel(0, 0), 0, Summary{{"guide", 1.0}},
         "[recognize]   -> 1 art-series candidates from text side (exact, auto)\n"},
        {"number only: the back's visual hit is confirmed",
         {{"ART SERIES", 0.9, 0.05}, {"7/54", 0.1, 0.05}},
         pixel(10, 0), 1, Summary{{"bolt", 0.9}},
         "[recognize]   -> 1 art-series candidates from text side (review)\n"},
        {"nothing on either side", {{"ART SERIES", 0.9, 0.05}}, std::nullopt, 1, std::nullopt, ""},
    };
    for (const auto& c : cases) {
        int loads = 0;
        testing::internal::CaptureStdout();
        const auto result = QCoro::waitFor(ArtSeriesRecognition::textSide(
            engine(), matcher(), pixel(0, 0), c.seed, backOf(c.back, &loads), ScanFinish::nonfoil));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.trace) << c.what;
        EXPECT_EQ(loads, c.backLoads) << c.what;
        ASSERT_EQ(result.has_value(), c.expected.has_value()) << c.what;
        if (result)
            EXPECT_EQ(summary(*result), *c.expected) << c.what;
    }
}

TEST(ArtSeriesRecognition, VisualMatchTriesTheBackFirst)
{
    using Summary = std::vector<std::pair<QString, double>>;
    const struct {
        const char* what;
        QImage front;
        std::optional<QImage> back;
        bool hasLoader;
        Summary expected;
        std::string trace;
    } cases[] = {
        {"back names one print", pixel(250, 0), pixel(0, 1), true, {{"guide", 1.0}},
         "[recognize]   -> art card resolved exactly from its back (auto)\n"},
        {"no back side", pixel(95, 0), std::nullopt, false, {{"guide", 0.57}},
         "[recognize]   -> 1 art-card candidates (visual) (review)\n"},
        {"back's number confirms the front's look", pixel(5, 0), pixel(0, 2), true, {{"bolt", 0.9}},
         "[recognize]   -> 1 art-card candidates (visual + back text) (review)\n"},
        {"nothing at all", pixel(250, 0), pixel(0, 0), true, {}, "[recognize]   -> nothing parsed\n"},
    };
    for (const auto& c : cases) {
        int loads = 0;
        testing::internal::CaptureStdout();
        const auto result = QCoro::waitFor(ArtSeriesRecognition::visualMatch(
            engine(), matcher(), c.front, c.hasLoader ? backOf(c.back, &loads) : nullptr, ScanFinish::foil));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.trace) << c.what;
        EXPECT_EQ(summary(result), c.expected) << c.what;
        for (const Candidate& candidate : result)
            EXPECT_EQ(candidate.finish, ScanFinish::foil);
    }
}
