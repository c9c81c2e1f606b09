#include "core/foil/FoilDetectionService.h"
#include "core/resolution/CatalogueRatePacer.h"

#include "core/support/ImageDecode.h"
#include "support/FakeHttpServer.h"
#include "support/GlyphImages.h"

#include <gtest/gtest.h>

#include <QCoroTask>
#include <QMutex>
#include <QPainter>

using namespace vantry;
using namespace vantry::test;

namespace {

// Collects the messages of the "com.vantry.capture.foil" category while alive.
class FoilLogCapture {
public:
    FoilLogCapture()
    {
        current = this;
        previous_ = qInstallMessageHandler(&FoilLogCapture::handle);
    }
    ~FoilLogCapture()
    {
        qInstallMessageHandler(previous_);
        current = nullptr;
    }
    QStringList lines() const
    {
        QMutexLocker lock(&mutex_);
        return lines_;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (current && context.category && QByteArray(context.category) == "com.vantry.capture.foil" &&
            type == QtInfoMsg) {
            QMutexLocker lock(&current->mutex_);
            current->lines_ << message;
        }
    }
    static inline FoilLogCapture* current = nullptr;
    QtMessageHandler previous_ = nullptr;
    mutable QMutex mutex_;
    QStringList lines_;
};

// Reference art: colourful blocks so that saturation and highlights are defined.
QImage referenceArt()
{
    QImage art = filledImage({537, 336}, QColor(180, 60, 40));
    drawRect(art, QRect(0, 0, 270, 168), QColor(40, 90, 200));
    drawRect(art, QRect(270, 168, 267, 168), QColor(240, 230, 120));
    drawRect(art, QRect(100, 100, 60, 60), QColor(255, 255, 255));
    return art;
}

// A 672 x 936 card whose art region (x 67, y 140, 537 x 336) is exactly `art`.
QImage cardWithArt(const QImage& art)
{
    QImage card = filledImage({672, 936}, Qt::black);
    QPainter painter(&card);
    painter.drawImage(67, 140, art);
    return card;
}

QByteArray cardJson(const QString& artUrl, const QByteArray& finishes = {})
{
    QByteArray body = "{\"id\":\"x\",\"image_uris\":{\"art_crop\":\"" + artUrl.toUtf8() + "\",\"small\":\"s\"}";
    if (!finishes.isEmpty())
        body += ",\"finishes\":" + finishes;
    return body + "}";
}

struct Fixture {
    FakeHttpServer server;
    FoilLogCapture log;
    // A pacer of its own: no spacing, and a lockout that other tests never see.
    std::shared_ptr<CatalogueRatePacer> pacer = std::make_shared<CatalogueRatePacer>(std::chrono::milliseconds(0));
    std::unique_ptr<FoilDetectionService> service;

    explicit Fixture(int pictureCacheLimit = FoilDetectionService::defaultPictureCacheLimit,
                     HttpLimits limits = FoilDetectionService::defaultLimits)
        : service(std::make_unique<FoilDetectionService>(server.baseUrl().toString(), QStringLiteral("TestAgent/1"),
                                                         pictureCacheLimit, pacer, limits))
    {
    }
    QString artUrl(const QByteArray& name) const { return server.url("/art/" + name + ".png").toString(); }
    void serveArt(const QByteArray& name, const QImage& art)
    {
        server.route("GET", "/art/" + name + ".png",
                     FakeHttpResponse{200, {{"Content-Type", "image/png"}}, image::encodePng(art)});
    }
    void serveCard(const QByteArray& id, const QByteArray& body)
    {
        server.route("GET", "/cards/" + id, FakeHttpResponse::json(200, body));
    }
    std::optional<FoilDetectionService::DetectionResult> detect(const QImage& scan, const QString& id)
    {
        return QCoro::waitFor(service->detect(scan, id));
    }
};

} // namespace

TEST(FoilDetectionService, ScanIdenticalToItsReferenceScoresZeroAndIsCached)
{
    Fixture f;
    const QImage art = referenceArt();
    f.serveArt("a", art);
    f.serveCard("id-a", cardJson(f.artUrl("a")));

    const auto result = f.detect(cardWithArt(art), QStringLiteral("id-a"));
    ASSERT_TRUE(result);
    EXPECT_DOUBLE_EQ(result->score, 0);
    EXPECT_DOUBLE_EQ(result->chromaticScore, 0);
    EXPECT_DOUBLE_EQ(result->moireScore, 0);
    EXPECT_EQ(result->scanStats, result->referenceStats);
    EXPECT_TRUE(result->foilAvailable); // no "finishes": taken as available

    const auto requests = f.server.journal();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/cards/id-a");
    EXPECT_EQ(requests[0].header("User-Agent"), "TestAgent/1");
    EXPECT_EQ(requests[0].header("Accept"), "application/json;q=0.9,*/*;q=0.8");
    EXPECT_EQ(requests[1].target, "/art/a.png");
    EXPECT_EQ(requests[1].header("User-Agent"), "TestAgent/1");

    ASSERT_EQ(f.log.lines().size(), 1);
    EXPECT_EQ(f.log.lines().front().toStdString(),
              "foil: id-a specular=0.00 combined=0.00 chromatic=0.00 moire=0.00 scanBlueRatio=0.22 "
              "refBlueRatio=0.22 scanBrightSat=0.46 refBrightSat=0.46 scanSpecFrac=0.02 refSpecFrac=0.02 "
              "foilAvail=true");

    // A second probe of the same printing fetches nothing and recomputes no reference moire.
    ASSERT_TRUE(f.detect(cardWithArt(art), QStringLiteral("id-a")));
    EXPECT_EQ(f.server.journal().size(), 2u);
    EXPECT_EQ(f.service->referenceMoireComputations(), 1);
}

TEST(FoilDetectionService, WashedOutScanScoresAsFoil)
{
    Fixture f;
    const QImage art = referenceArt();
    f.serveArt("a", art);
    f.serveCard("id-a", cardJson(f.artUrl("a"), R"(["nonfoil"])"));
    // Foil under the lamp: colours pale towards a bluish white, highlights blown out.
    QImage washed = art;
    QPainter painter(&washed);
    painter.fillRect(washed.rect(), QColor(200, 210, 255, 150));
    painter.fillRect(QRect(0, 0, 537, 40), QColor(235, 240, 255));
    painter.end();

    const auto result = f.detect(cardWithArt(washed), QStringLiteral("id-a"));
    ASSERT_TRUE(result);
    EXPECT_GE(result->score, 0.4);
    EXPECT_GT(result->chromaticScore, 0.3);
    EXPECT_LT(result->scanStats.meanSaturation, result->referenceStats.meanSaturation);
    EXPECT_FALSE(result->foilAvailable);
}

TEST(FoilDetectionService, CardRecordVariants)
{
    struct Case {
        const char* name;
        QByteArray body; // "ART" is replaced by the art URL
        bool found;
        bool foilAvailable;
    };
    const std::vector<Case> cases = {
        {"finishes with foil", R"({"image_uris":{"art_crop":"ART"},"finishes":["nonfoil","foil"]})", true, true},
        {"finishes without exact foil", R"({"image_uris":{"art_crop":"ART"},"finishes":["etched","Foil"]})", true,
         false},
        {"first face", R"({"card_faces":[{"image_uris":{"art_crop":"ART"}},{"name":"b"}]})", true, true},
        {"null image_uris falls to the first face",
         R"({"image_uris":null,"card_faces":[{"image_uris":{"art_crop":"ART"}}]})", true, true},
        {"only the second face has art", R"({"card_faces":[{"name":"a"},{"image_uris":{"art_crop":"ART"}}]})", false,
         false},
        {"no art at all", R"({"name":"x"})", false, false},
        {"art_crop not a URL", R"({"image_uris":{"art_crop":"::not a url::"}})", false, false},
        {"art_crop of the wrong type", R"({"image_uris":{"art_crop":12}})", false, false},
        {"finishes of the wrong type", R"({"image_uris":{"art_crop":"ART"},"finishes":"foil"})", false, false},
        {"not JSON", "<html>", false, false},
    };
    const QImage art = referenceArt();
    for (const Case& c : cases) {
        Fixture f;
        f.serveArt("a", art);
        QByteArray body = c.body;
        body.replace("ART", f.artUrl("a").toUtf8());
        f.serveCard("id", body);
        const auto result = f.detect(cardWithArt(art), QStringLiteral("id"));
        ASSERT_EQ(result.has_value(), c.found) << c.name;
        if (result) {
            EXPECT_EQ(result->foilAvailable, c.foilAvailable) << c.name;
        } else {
            EXPECT_EQ(f.log.lines(), QStringList{"foil: id no reference info"}) << c.name;
            // Nothing was cached: the next probe asks again.
            f.detect(cardWithArt(art), QStringLiteral("id"));
            EXPECT_EQ(f.server.count("GET", "/cards/id"), 2) << c.name;
        }
    }
}

TEST(FoilDetectionService, FailuresAreNotCached)
{
    Fixture f;
    const QImage art = referenceArt();
    const QImage scan = cardWithArt(art);

    // 404 for the card record: retried by the next probe.
    EXPECT_FALSE(f.detect(scan, QStringLiteral("gone")));
    EXPECT_FALSE(f.detect(scan, QStringLiteral("gone")));
    EXPECT_EQ(f.server.count("GET", "/cards/gone"), 2);

    // An art crop that is not an image: the card record stays cached, the picture is retried.
    f.serveCard("id-b", cardJson(f.artUrl("b")));
    f.server.route("GET", "/art/b.png", FakeHttpResponse::text(200, "not an image"));
    EXPECT_FALSE(f.detect(scan, QStringLiteral("id-b")));
    EXPECT_FALSE(f.detect(scan, QStringLiteral("id-b")));
    EXPECT_EQ(f.server.count("GET", "/cards/id-b"), 1);
    EXPECT_EQ(f.server.count("GET", "/art/b.png"), 2);

    // Once the picture is served, the probe succeeds.
    f.serveArt("b", art);
    EXPECT_TRUE(f.detect(scan, QStringLiteral("id-b")));
    EXPECT_EQ(f.log.lines(), (QStringList{"foil: gone no reference info", "foil: gone no reference info",
                                          "foil: id-b reference fetch failed", "foil: id-b reference fetch failed"}) +
                                 QStringList{f.log.lines().last()});
    EXPECT_TRUE(f.log.lines().last().startsWith("foil: id-b specular="));
}

TEST(FoilDetectionService, RepliesPastTheCapOrTheDeadlineAreFailedFetches)
{
    using namespace std::chrono_literals;
    // The deadline must stop the endless trickle, yet leave a small card record ample time on a
    // loaded machine (at 300 ms it did not always arrive).
    Fixture f(FoilDetectionService::defaultPictureCacheLimit, HttpLimits{60s, 2500ms, 0ms, 256 * 1024});
    const QImage art = referenceArt();
    const QImage scan = cardWithArt(art);
    f.serveArt("a", art);

    // A card record that decodes but is far larger than one needs to be.
    QByteArray padded = cardJson(f.artUrl("a"));
    padded.insert(1, "\"pad\":\"" + QByteArray(300 * 1024, 'x') + "\",");
    f.serveCard("padded", padded);
    EXPECT_FALSE(f.detect(scan, QStringLiteral("padded")));
    // A catalogue that streams without end.
    f.server.route("GET", "/cards/endless", FakeHttpResponse::endless(QByteArray(64 * 1024, ' '), 1));
    EXPECT_FALSE(f.detect(scan, QStringLiteral("endless")));
    // An art crop that trickles in under the idle time-out, for ever.
    f.serveCard("slow-art", cardJson(f.artUrl("slow")));
    f.server.route("GET", "/art/slow.png", FakeHttpResponse::endless("x", 20));
    EXPECT_FALSE(f.detect(scan, QStringLiteral("slow-art")));
    EXPECT_EQ(f.log.lines(), (QStringList{"foil: padded no reference info", "foil: endless no reference info",
                                          "foil: slow-art reference fetch failed"}));
    EXPECT_EQ(f.server.count("GET", "/art/a.png"), 0);
}

TEST(FoilDetectionService, IdentifierIsOnePathSegment)
{
    Fixture f;
    EXPECT_FALSE(f.detect(cardWithArt(referenceArt()), QStringLiteral("a/b?c")));
    ASSERT_EQ(f.server.journal().size(), 1u);
    EXPECT_EQ(f.server.journal().front().target, "/cards/a%2Fb%3Fc");
}

TEST(FoilDetectionService, PictureCacheIsBounded)
{
    Fixture f(1);
    const QImage art = referenceArt();
    f.serveArt("a", art);
    f.serveArt("b", art);
    f.serveCard("id-a", cardJson(f.artUrl("a")));
    f.serveCard("id-b", cardJson(f.artUrl("b")));
    const QImage scan = cardWithArt(art);
    EXPECT_TRUE(f.detect(scan, QStringLiteral("id-a")));
    EXPECT_TRUE(f.detect(scan, QStringLiteral("id-a")));
    EXPECT_TRUE(f.detect(scan, QStringLiteral("id-b")));
    EXPECT_TRUE(f.detect(scan, QStringLiteral("id-a")));
    EXPECT_EQ(f.server.count("GET", "/art/a.png"), 2); // evicted by b
    EXPECT_EQ(f.server.count("GET", "/art/b.png"), 1);
    EXPECT_EQ(f.server.count("GET", "/cards/id-a"), 1);
}

TEST(FoilDetectionService, ProbeOutlivesTheService)
{
    Fixture f;
    const QImage art = referenceArt();
    f.server.route("GET", "/art/a.png",
                   FakeHttpResponse{200, {{"Content-Type", "image/png"}}, image::encodePng(art)}.after(50));
    f.serveCard("id-a", cardJson(f.artUrl("a")));
    auto task = f.service->detect(cardWithArt(art), QStringLiteral("id-a"));
    f.service.reset();
    const auto result = QCoro::waitFor(std::move(task));
    EXPECT_TRUE(result);
}

TEST(FoilDetectionService, ACatalogue429LocksOutTheSharedPacer)
{
    Fixture f;
    f.server.route("GET", "/cards/id-a", FakeHttpResponse::json(429, "{}"));
    EXPECT_FALSE(f.detect(cardWithArt(referenceArt()), QStringLiteral("id-a")));
    EXPECT_TRUE(f.pacer->lockedOut());
    // While locked out nothing more reaches the catalogue, from the probe or anyone else.
    EXPECT_FALSE(f.detect(cardWithArt(referenceArt()), QStringLiteral("id-a")));
    EXPECT_EQ(f.server.journal().size(), 1u);
}
