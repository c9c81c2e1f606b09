#include "core/art/ArtCardScoring.h"
#include "core/support/CaptureLog.h"
#include "core/reading/CardCropper.h"
#include "core/support/ImageCopy.h"
#include "core/support/ResourceBundle.h"
#include "core/art/SharedArtCardMatcher.h"
#include "core/art/VisionArtCardMatcher.h"

#include "support/FakeFeaturePrinter.h"
#include "support/SyntheticArtCard.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QCoroTask>

#include <gtest/gtest.h>

using namespace vantry;
using namespace vantry::test;

namespace {

ArtCardEntry entry(const QString& id, std::vector<float> vector)
{
    return {id, QStringLiteral("Name ") + id, QStringLiteral("AKHM"), QStringLiteral("3"), std::move(vector)};
}

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// Vectors as long as the shipped descriptor's, unless `dimension` says otherwise.
QByteArray indexFile(int revision, int entries, int dimension = VisionArtCardMatcher::shippedPrinter()->dimension())
{
    ArtCardIndex index;
    index.revision = revision;
    index.dimension = dimension;
    for (int i = 0; i < entries; ++i)
        index.entries.push_back(entry(QString::number(i), {float(i), 0, 0, 0}));
    return index.encoded();
}

// A 2x2 image whose top-left pixel's red value names the orientation it is seen in.
QImage orientationProbe()
{
    QImage image(2, 2, QImage::Format_RGBA8888_Premultiplied);
    image.setPixelColor(0, 0, QColor(10, 0, 0));
    image.setPixelColor(1, 0, QColor(20, 0, 0));
    image.setPixelColor(1, 1, QColor(30, 0, 0));
    image.setPixelColor(0, 1, QColor(40, 0, 0));
    return image;
}

QString logText()
{
    CaptureLog::flush();
    QFile log(CaptureLog::filePath());
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

} // namespace

TEST(ArtMatchScore, FollowsTheDistanceLinearlyAndClampsAtZero)
{
    const struct {
        float distance;
        double score;
    } cases[] = {{0.0f, 0.6}, {0.25f, 0.45}, {0.3f, 0.42}, {0.6f, 0.24}, {1.0f, 0.0}, {1.2f, 0.0}, {-1.0f, 1.0},
                 {0.12345f, 0.5259}, {std::numeric_limits<float>::quiet_NaN(), 0.0}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(artMatchScore(c.distance), c.score) << c.distance;
}

TEST(ArtCardCandidates, CarryTheEntryTheFinishAndAPlainArtSeriesMark)
{
    const auto candidates =
        artCardCandidates({{entry("a", {}), 0.25f}, {entry("b", {}), 0.6f}}, ScanFinish::foil);
    ASSERT_EQ(candidates.size(), 2u);
    Candidate expected;
    expected.scryfallId = "a";
    expected.name = "Name a";
    expected.setCode = "AKHM";
    expected.collectorNumber = "3";
    expected.finish = ScanFinish::foil;
    expected.score = 0.45;
    expected.isArtSeries = true;
    EXPECT_EQ(candidates[0], expected);
    EXPECT_EQ(candidates[1].scryfallId, "b");
    EXPECT_DOUBLE_EQ(candidates[1].score, 0.24);
    EXPECT_TRUE(artCardCandidates({}, ScanFinish::nonfoil).empty());
}

TEST(StampArtSeries, MarksKnownPrintsAndNeverUnmarks)
{
    Candidate known;
    known.scryfallId = "known";
    Candidate marked;
    marked.scryfallId = "elsewhere";
    marked.isArtSeries = true;
    Candidate plain;
    plain.scryfallId = "plain";
    plain.score = 0.7;

    const auto stamped = stampArtSeries({known, marked, plain}, {QStringLiteral("known")});
    ASSERT_EQ(stamped.size(), 3u);
    EXPECT_TRUE(stamped[0].isArtSeries);
    EXPECT_TRUE(stamped[1].isArtSeries);
    EXPECT_EQ(stamped[2], plain);
    const std::vector<Candidate> untouched{known, marked, plain};
    EXPECT_EQ(stampArtSeries(untouched, {}), untouched);
}

TEST(VisionArtCardMatcher, EveryOrientationFailingGivesNoCandidates)
{
    ArtCardIndex index{2, 1, {entry("a", {0.0f})}};
    auto printer = std::make_shared<FakeFeaturePrinter>(1, [](const QImage&) { return std::nullopt; });
    const VisionArtCardMatcher matcher(index, 0.6f, 5, printer);
    EXPECT_TRUE(QCoro::waitFor(matcher.match(orientationProbe(), ScanFinish::nonfoil)).empty());
}

TEST(VisionArtCardMatcher, KeepsEachPrintsBestOrientation)
{
    // Upright the probe reads 0.30 from print p, one quarter turn on 0.25; the other
    // two orientations fail.
    ArtCardIndex index{2, 1, {entry("p", {0.0f}), entry("far", {5.0f})}};
    auto printer = std::make_shared<FakeFeaturePrinter>(1, [](const QImage& image) -> std::optional<std::vector<float>> {
        switch (image.pixelColor(0, 0).red()) {
        case 10: return std::vector<float>{0.30f};
        case 40: return std::vector<float>{-0.25f};
        default: return std::nullopt;
        }
    });
    // One quarter turn clockwise brings the bottom-left pixel (40) to the top-left.
    ASSERT_EQ(rotatedByQuarterTurns(orientationProbe(), 1).pixelColor(0, 0).red(), 40);
    const VisionArtCardMatcher matcher(index, 0.6f, 5, printer);
    const auto candidates = QCoro::waitFor(matcher.match(orientationProbe(), ScanFinish::etched));
    ASSERT_EQ(candidates.size(), 1u);
    EXPECT_EQ(candidates[0].scryfallId, "p");
    EXPECT_DOUBLE_EQ(candidates[0].score, 0.45);
    EXPECT_EQ(candidates[0].finish, ScanFinish::etched);
}

// A scan of a rendered Art Series card is found among look-alike prints however it lies.
TEST(VisionArtCardMatcher, FindsARenderedCardInEachOrientation)
{
    ArtCardIndex index;
    index.revision = artCardFeaturePrintRevision;
    index.dimension = VisionArtCardMatcher::shippedPrinter()->dimension();
    std::vector<QImage> cards;
    for (int i = 0; i < 6; ++i) {
        cards.push_back(renderArtCard(31 + i * 101, QStringLiteral("Print %1").arg(i)));
        index.entries.push_back({QStringLiteral("id-%1").arg(i), QStringLiteral("Print %1").arg(i),
                                 QStringLiteral("ASET"), QString::number(i + 1),
                                 *VisionArtCardMatcher::featurePrintVector(cards.back())});
    }
    const VisionArtCardMatcher matcher(index);
    // A whole scanner page cropped as the batch model crops it (the black border falls below
    // the cropper's threshold, so the crop differs from the reference's framing).
    const QImage scan = CardCropper::cropCard(simulateScan(
        cards[4], {.dpi = 300, .skewDegrees = 1.5, .gainR = 1.05, .gainB = 0.92, .offset = 4, .padding = 0.15,
                   .jpegQuality = 80, .noise = 2}));
    ASSERT_FALSE(scan.isNull());
    for (int turns = 0; turns < 4; ++turns) {
        const auto candidates =
            QCoro::waitFor(matcher.match(rotatedByQuarterTurns(scan, turns), ScanFinish::nonfoil));
        ASSERT_FALSE(candidates.empty()) << turns;
        EXPECT_EQ(candidates[0].scryfallId, "id-4") << turns;
        EXPECT_GT(candidates[0].score, 0.24) << turns;
        EXPECT_TRUE(candidates[0].isArtSeries);
    }
}

TEST(VisionArtCardMatcher, LoadsTheCachedCopyFirstAndChecksItsRevision)
{
    const TempHome home;
    const QString cached = home.file(".local/share/Vantry Capture/art-card-index.bin");
    const QString shipped = home.file("bundle/art-card-index.bin");
    EXPECT_EQ(VisionArtCardMatcher::cachedIndexURL(), cached);
    writeFile(shipped, indexFile(2, 3));

    const QString dim = QString::number(VisionArtCardMatcher::shippedPrinter()->dimension());
    const struct {
        const char* what;
        std::optional<QByteArray> cachedData;
        bool matcher;
        std::size_t entries;
        QString output;
    } cases[] = {
        {"no cached copy", std::nullopt, true, 3, "[art-match] loaded 3 art-series prints (dim " + dim + ")\n"},
        {"good cached copy", indexFile(2, 1), true, 1, "[art-match] loaded 1 art-series prints (dim " + dim + ")\n"},
        {"empty cached index", indexFile(2, 0), true, 0, "[art-match] loaded 0 art-series prints (dim " + dim + ")\n"},
        {"unparsable cached copy", QByteArray("VYAC\x01"), true, 3,
         "[art-match] loaded 3 art-series prints (dim " + dim + ")\n"},
        {"cached copy of another revision", indexFile(3, 1), false, 0,
         "[art-match] index revision 3 != 2; disabled\n"},
        // Made with another descriptor: every search would skip its vectors.
        {"cached copy of another descriptor length", indexFile(2, 1, 512), false, 0,
         "[art-match] index descriptor length 512 != " + dim + "; disabled\n"},
    };
    for (const auto& c : cases) {
        QFile::remove(cached);
        if (c.cachedData)
            writeFile(cached, *c.cachedData);
        testing::internal::CaptureStdout();
        const auto matcher = VisionArtCardMatcher::bundled({VisionArtCardMatcher::cachedIndexURL(), shipped});
        EXPECT_EQ(QString::fromStdString(testing::internal::GetCapturedStdout()), c.output) << c.what;
        ASSERT_EQ(matcher != nullptr, c.matcher) << c.what;
        if (matcher) {
            EXPECT_EQ(matcher->entries().size(), c.entries) << c.what;
            EXPECT_EQ(matcher->maxDistance(), 0.6f);
            EXPECT_EQ(matcher->k(), 5);
        }
    }

    // Nothing usable anywhere: no matcher and nothing on standard output; the diagnostic log
    // says that Art Series matching is off and where the index was looked for.
    QFile::remove(cached);
    testing::internal::CaptureStdout();
    EXPECT_EQ(VisionArtCardMatcher::bundled({cached, std::nullopt, home.file("missing.bin")}), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    const QString log = logText();
    EXPECT_TRUE(log.contains("[art-match] Art Series matching is off: no art-card index found (tried \"" + cached +
                             "\", \"" + home.file("missing.bin") + "\")"))
        << log.toStdString();
    // A refused descriptor length is in the log too.
    EXPECT_TRUE(log.contains("[art-match] index descriptor length 512 != " + dim + "; disabled")) << log.toStdString();
}

// The application loads the shared matcher once at start-up; without an index that is one
// line in the log, and later askers get the same answer without another line.
TEST(VisionArtCardMatcher, SaysOnceThatArtSeriesMatchingIsOffWithoutAnIndex)
{
    if (VisionArtCardMatcher::bundledIndexURL() && QFile::exists(*VisionArtCardMatcher::bundledIndexURL()))
        GTEST_SKIP() << "this build ships an art-card index";
    const TempHome home;
    SharedArtCardMatcher::setLoaderForTesting({}); // the real loader, afresh
    SharedArtCardMatcher::preload();
    EXPECT_EQ(QCoro::waitFor(SharedArtCardMatcher::get()), nullptr);
    EXPECT_EQ(QCoro::waitFor(SharedArtCardMatcher::get()), nullptr);
    EXPECT_EQ(logText().count("Art Series matching is off: no art-card index found"), 1);
    SharedArtCardMatcher::setLoaderForTesting({});
}

TEST(ResourceBundle, TakesTheFirstExistingFolderAndRunsWithoutOne)
{
    const TempHome home;
    QDir().mkpath(home.file("install/share/vantry-capture"));
    QDir().mkpath(home.file("install/bin/resources"));
    QDir().mkpath(home.file("source/resources"));
    writeFile(home.file("source/resources/art-card-index.bin"), "x");

    const QStringList dirs = ResourceBundle::candidateDirs(home.file("install/bin"), home.file("source"));
    EXPECT_EQ(dirs, (QStringList{home.file("install/share/vantry-capture"), home.file("install/bin/resources"),
                                 home.file("source/resources")}));
    EXPECT_EQ(ResourceBundle::findIn(dirs), home.file("install/share/vantry-capture"));
    const auto source = ResourceBundle::findIn(dirs.mid(2));
    EXPECT_EQ(source, home.file("source/resources"));
    EXPECT_EQ(ResourceBundle::resourceIn(source, "art-card-index", "bin"),
              home.file("source/resources/art-card-index.bin"));
    EXPECT_EQ(ResourceBundle::resourceIn(dirs.first(), "art-card-index", "bin"), std::nullopt);

    // No folder at all: logged, and the lookup answers "none" instead of stopping.
    const auto none = ResourceBundle::findIn({home.file("nowhere"), home.file("source/resources/art-card-index.bin")});
    EXPECT_EQ(none, std::nullopt);
    EXPECT_EQ(ResourceBundle::resourceIn(none, "art-card-index", "bin"), std::nullopt);
    CaptureLog::flush();
    QFile log(CaptureLog::filePath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("unable to find bundle named VantryCapture_VantryCapture"));
}
