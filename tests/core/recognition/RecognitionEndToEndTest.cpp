#include "core/reading/CardCropper.h"
#include "core/recognition/Disposition.h"
#include "core/resolution/ScryfallResolver.h"
#include "core/resolution/VantryCardResolver.h"
#include "core/recognition/VisionCardRecognizer.h"
#include "platform/TesseractTextRecognizer.h"
#include "support/FakeHttpServer.h"
#include "support/SyntheticScan.h"

#include <QCoroTask>

#include <gtest/gtest.h>

using namespace vantry;
using namespace std::chrono_literals;
using test::FakeHttpResponse;
using test::FakeHttpServer;
using test::SyntheticCard;

namespace {

QByteArray printing(const QByteArray& id, const QByteArray& name, const QByteArray& set, const QByteArray& number)
{
    return R"({"scryfallId":")" + id + R"(","name":")" + name + R"(","setCode":")" + set +
           R"(","collectorNumber":")" + number + R"(","priceUsd":"0.40"})";
}

// A rendered card through crop, real text recognition and the resolver chain, with the
// inventory service and the catalogue on loopback fakes.
struct Pipeline {
    FakeHttpServer service;
    FakeHttpServer catalogue;
    std::shared_ptr<QStringList> trace = std::make_shared<QStringList>();

    RecognitionOutcome recognize(const SyntheticCard& card)
    {
        auto fallback = std::make_shared<ScryfallResolver>(catalogue.baseUrl().toString(),
                                                           std::make_shared<CatalogueRatePacer>(0ms, 30000ms));
        auto resolver = std::make_shared<VantryCardResolver>(service.baseUrl().toString(), fallback);
        VisionCardRecognizer::Options options;
        options.trace = [t = trace](const QString& line) { *t << line; };
        const auto recognizer =
            std::make_shared<VisionCardRecognizer>(resolver, nullptr, [] { return false; }, options);
        const QImage crop = CardCropper::cropCard(test::renderSyntheticScan(card));
        return QCoro::waitFor(recognizer->recognize(crop, ScanFinish::nonfoil));
    }
};

} // namespace

TEST(RecognitionEndToEnd, StripResolvesExactlyAndConfirmsAutomatically)
{
    Pipeline p;
    p.service.route("GET", "/cards/resolve-printing", "set=DSK&number=0255",
                    FakeHttpResponse::json(200, R"({"found":true,"printing":)" +
                                                    printing("gg1", "Goblin Guide", "dsk", "255") + "}"));
    const auto outcome = p.recognize(SyntheticCard::modern("Goblin Guide", "DSK", "0255", u'L'));
    ASSERT_FALSE(outcome.candidates.empty()) << p.trace->join("\n").toStdString();
    EXPECT_EQ(outcome.candidates[0].scryfallId, "gg1");
    EXPECT_EQ(outcome.candidates[0].score, 1.0);
    EXPECT_EQ(validatedDisposition(outcome.candidates, outcome.attribution).disposition, Disposition::autoConfirm);
    EXPECT_EQ(p.service.lines(), QStringList{"GET /cards/resolve-printing?set=DSK&number=0255"});
    EXPECT_TRUE(p.catalogue.lines().isEmpty());
    EXPECT_EQ(p.trace->last(), "[recognize]   -> resolved exact printing via set+collector");
}

TEST(RecognitionEndToEnd, CardWithoutStripFallsBackToTheName)
{
    Pipeline p;
    p.service.route("GET", "/cards/search",
                    FakeHttpResponse::json(200, R"({"data":[)" + printing("gg1", "Goblin Guide", "zen", "126") + "," +
                                                    printing("gg2", "Goblin Guide", "a25", "130") + "]}"));
    SyntheticCard old;
    old.title = "Goblin Guide";
    old.typeLine = "Creature";
    old.stripLines = {};
    old.legalLine = QStringLiteral("Illus. John Avon");
    const auto outcome = p.recognize(old);
    EXPECT_EQ(outcome.attribution.collectorNumber, std::nullopt); // never invented
    ASSERT_EQ(outcome.candidates.size(), 2u) << p.trace->join("\n").toStdString();
    EXPECT_EQ(outcome.candidates[0].scryfallId, "gg1");
    EXPECT_EQ(validatedDisposition(outcome.candidates, outcome.attribution).disposition, Disposition::review);
    EXPECT_EQ(p.service.lines().last(), "GET /cards/search?q=Goblin%20Guide");
    EXPECT_EQ(p.trace->last(), "[recognize]   -> 2 name candidates for \"Goblin Guide\" (review)");
}

TEST(RecognitionEndToEnd, SidewaysCardIsFoundByTheSidewaysReRead)
{
    Pipeline p;
    // The service does not know the printing; the catalogue does. The name search finds the
    // card by the title read sideways, which is why the card is read turned at all.
    p.service.route("GET", "/cards/resolve-printing", FakeHttpResponse::json(200, R"({"found":false})"));
    p.service.route("GET", "/cards/search",
                    FakeHttpResponse::json(200, R"({"data":[)" + printing("lb2", "Lightning Bolt", "m10", "146") + "]}"));
    p.catalogue.route("GET", "/cards/neo/45",
                      FakeHttpResponse::json(200, R"({"id":"lb1","name":"Lightning Bolt","set":"neo",)"
                                                  R"("collector_number":"45","prices":{"usd":"1.5"}})"));
    SyntheticCard card = SyntheticCard::modern("Lightning Bolt", "NEO", "0045", u'C');
    card.quarterTurns = 3; // lying on its side: a quarter turn clockwise puts it upright
    const auto outcome = p.recognize(card);
    ASSERT_FALSE(outcome.candidates.empty()) << p.trace->join("\n").toStdString();
    EXPECT_EQ(outcome.candidates[0].scryfallId, "lb1");
    EXPECT_EQ(outcome.candidates[0].score, 1.0);
    EXPECT_EQ(outcome.attribution.setCode, QString("NEO"));
    EXPECT_TRUE(p.catalogue.lines().contains("GET /cards/neo/45"));
    EXPECT_EQ(p.trace->last(),
              "[recognize]   -> resolved exact printing via sideways re-read (Battle / landscape card)");
}
