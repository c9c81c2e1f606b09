#include "core/resolution/VantryCardResolver.h"
#include "support/FakeHttpServer.h"
#include "support/RecordingResolver.h"

#include <QCoroTask>

#include <gtest/gtest.h>

using namespace vantry;
using test::FakeHttpResponse;
using test::FakeHttpServer;

namespace {

const QByteArray kPrinting = R"({"scryfallId":"abc","name":"Lightning Bolt","setCode":"m21","collectorNumber":"162",
  "priceUsd":"12.50","priceUsdFoil":"","finishes":["foil"],"artSeriesVariant":"Signature"})";

QByteArray found(const QByteArray& printing = kPrinting) { return R"({"found":true,"printing":)" + printing + "}"; }

std::vector<Candidate> resolve(const CardResolving& r, QString set, QString number,
                               std::optional<QString> lang = std::nullopt, ScanFinish finish = ScanFinish::foil)
{
    return QCoro::waitFor(r.resolveSetCollector(set, number, finish, lang));
}

std::vector<Candidate> search(const CardResolving& r, QString text, ScanFinish finish = ScanFinish::nonfoil)
{
    return QCoro::waitFor(r.searchByName(text, finish));
}

std::shared_ptr<test::RecordingResolver> fallback()
{
    auto f = std::make_shared<test::RecordingResolver>();
    f->onSet = [](auto&&...) { return std::vector<Candidate>{test::makeCandidate("fb", "Fallback", "x", "1", 1)}; };
    f->onSearch = [](auto&&...) { return std::vector<Candidate>{test::makeCandidate("fs", "Fallback", "x", "1")}; };
    return f;
}

} // namespace

TEST(VantryCardResolver, ExactHitDecodesThePrinting)
{
    FakeHttpServer server;
    server.route("GET", "/cards/resolve-printing", FakeHttpResponse::json(200, found()));
    auto fb = fallback();
    // Trailing slashes are dropped: exactly one "/" before "cards".
    const VantryCardResolver resolver(server.baseUrl().toString() + "//", fb);
    const auto hits = resolve(resolver, "MH2", "45", QString("ja"));
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].scryfallId, "abc");
    EXPECT_EQ(hits[0].finish, ScanFinish::foil); // the caller's, whatever "finishes" says
    EXPECT_EQ(hits[0].score, 1.0);
    EXPECT_EQ(hits[0].priceUSD, 12.5);
    EXPECT_EQ(hits[0].priceUsdFoil, std::nullopt);
    EXPECT_EQ(hits[0].artSeriesVariant, ArtSeriesVariant::plain); // "Signature" is not "signature"
    EXPECT_TRUE(fb->calls->isEmpty());
    EXPECT_EQ(server.lines(), QStringList{"GET /cards/resolve-printing?set=MH2&number=45"});
    const auto& request = server.journal().front();
    EXPECT_EQ(request.header("Accept"), "application/json");
    EXPECT_FALSE(request.hasHeader("Authorization"));
}

TEST(VantryCardResolver, NoAnswerGoesToTheFallback)
{
    struct Case {
        const char* name;
        FakeHttpResponse response;
    };
    const std::vector<Case> cases{
        {"not found", FakeHttpResponse::json(200, R"({"found":false})")},
        {"found without printing", FakeHttpResponse::json(200, R"({"found":true})")},
        {"404", FakeHttpResponse::json(404, found())},
        {"201", FakeHttpResponse::json(201, found())},
        {"500", FakeHttpResponse::json(500, found())},
        {"bad JSON", FakeHttpResponse::json(200, "{\"found\":tru")},
        {"price as a number", FakeHttpResponse::json(200, found(R"({"scryfallId":"a","name":"n","setCode":"s","priceUsd":12.5})"))},
        {"wrong type", FakeHttpResponse::json(200, found(R"({"scryfallId":7,"name":"n","setCode":"s"})"))},
        {"finishes not strings", FakeHttpResponse::json(200, found(R"({"scryfallId":"a","name":"n","setCode":"s","finishes":[1]})"))},
        {"token price not numeric", FakeHttpResponse::json(200, found(R"({"scryfallId":"a","name":"n","setCode":"s",
            "physicalToken":{"name":"t","collectorNumber":"1","bestPriceUsd":"cheap","faces":[]}})"))},
        {"hang-up", [] { FakeHttpResponse r; r.hangUp = true; return r; }()},
        {"slow reply", [] { FakeHttpResponse r; r.noReply = true; return r; }()},
        {"huge garbage", FakeHttpResponse::json(200, QByteArray(2 << 20, '['))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server;
        server.route("GET", "/cards/resolve-printing", c.response);
        auto fb = fallback();
        const VantryCardResolver resolver(server.baseUrl().toString(), fb,
                                          HttpLimits{std::chrono::milliseconds(150), std::chrono::milliseconds(250)});
        const auto hits = resolve(resolver, "NEO", "12", QString("ja"));
        ASSERT_EQ(hits.size(), 1u);
        EXPECT_EQ(hits[0].scryfallId, "fb");
        EXPECT_EQ(*fb->calls, QStringList{"set NEO 12 foil ja"});
    }
    // No fallback: empty.
    const VantryCardResolver alone("not a url");
    EXPECT_TRUE(resolve(alone, "NEO", "12").empty());
}

TEST(VantryCardResolver, RepliesPastTheCapOrTheDeadlineGoToTheFallback)
{
    using namespace std::chrono_literals;
    // A hit that decodes, padded far past what a card record needs.
    const QByteArray padded = R"({"found":true,"pad":")" + QByteArray(300 * 1024, 'x') + R"(","printing":)" + kPrinting + "}";
    struct Case {
        const char* name;
        FakeHttpResponse response;
        HttpLimits limits;
    };
    const std::vector<Case> cases{
        {"past the cap", FakeHttpResponse::json(200, padded), {60s, 0ms, 0ms, 256 * 1024}},
        // Only the cap ends a stream that never finishes...
        {"endless and fast", FakeHttpResponse::endless(QByteArray(64 * 1024, ' '), 1), {60s, 0ms, 0ms, 256 * 1024}},
        // ...or, when it trickles in under every idle time-out, the lookup's deadline.
        {"endless and slow", FakeHttpResponse::endless(" ", 20), {60s, 0ms, 300ms, HttpLimits::defaultMaxBytes}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server;
        server.route("GET", "/cards/resolve-printing", c.response);
        server.route("GET", "/cards/search", c.response);
        auto fb = fallback();
        const VantryCardResolver resolver(server.baseUrl().toString(), fb, c.limits);
        const auto hits = resolve(resolver, "NEO", "12");
        ASSERT_EQ(hits.size(), 1u);
        EXPECT_EQ(hits[0].scryfallId, "fb");
        const auto found = search(resolver, "Lightning Bolt");
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].scryfallId, "fs");
        EXPECT_EQ(*fb->calls, (QStringList{"set NEO 12 foil nil", "search Lightning Bolt nonfoil"}));
    }
}

TEST(VantryCardResolver, PhysicalTokensAndFlexiblePrices)
{
    FakeHttpServer server;
    server.route("GET", "/cards/resolve-printing", FakeHttpResponse::json(200, found(R"({"scryfallId":"a","name":"n",
        "setCode":"s","isArtSeries":true,"artSeriesVariant":"signature","priceUsdSignature":"nan",
        "physicalToken":{"name":"Goblin // Treasure","tcgplayerId":77,"collectorNumber":"3","bestPriceUsd":"3.10",
        "faces":[{"name":"Goblin","setCode":"tneo","collectorNumber":"3","priceUsd":3.1},
                 {"name":"Treasure","setCode":"tneo","collectorNumber":"4","priceUsd":-2}]}})")));
    const VantryCardResolver resolver(server.baseUrl().toString());
    const auto hits = resolve(resolver, "NEO", "3");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_TRUE(hits[0].isArtSeries);
    EXPECT_EQ(hits[0].artSeriesVariant, ArtSeriesVariant::signature);
    EXPECT_EQ(hits[0].priceUsdSignature, std::nullopt); // non-finite: no price
    ASSERT_TRUE(hits[0].physicalToken);
    EXPECT_EQ(hits[0].physicalToken->tcgplayerId, 77);
    EXPECT_EQ(hits[0].physicalToken->bestPriceUsd, 3.1);
    ASSERT_EQ(hits[0].physicalToken->faces.size(), 2u);
    EXPECT_EQ(hits[0].physicalToken->faces[0].priceUsd, 3.1);
    EXPECT_EQ(hits[0].physicalToken->faces[1].priceUsd, std::nullopt); // negative: no price

    server.route("GET", "/cards/resolve-printing", FakeHttpResponse::json(200, found(R"({"scryfallId":"a","name":"n",
        "setCode":"s","physicalToken":{"name":"t","collectorNumber":"1","faces":[]}})")));
    EXPECT_EQ(resolve(resolver, "NEO", "3").at(0).physicalToken, std::nullopt);
}

TEST(VantryCardResolver, SearchRequestsAndFallbacks)
{
    FakeHttpServer server;
    QByteArray many = R"({"data":[)";
    for (int i = 0; i < 41; ++i)
        many += (i ? "," : "") + QByteArray(R"({"scryfallId":"id)") + QByteArray::number(i) +
                R"(","name":"Bolt","setCode":"m21"})";
    many += "]}";
    server.route("GET", "/cards/search", FakeHttpResponse::json(200, many));
    server.route("GET", "/cards/resolve-printing", FakeHttpResponse::json(200, R"({"found":false})"));
    auto fb = std::make_shared<test::RecordingResolver>();
    const VantryCardResolver resolver(server.baseUrl().toString(), fb);

    const auto hits = search(resolver, "Lightning Bolt M21 162");
    ASSERT_EQ(hits.size(), 40u);
    EXPECT_EQ(hits.front().scryfallId, "id0");
    EXPECT_EQ(hits.back().scryfallId, "id39");
    EXPECT_EQ(hits.front().score, 0.0);
    EXPECT_EQ(server.lines(), (QStringList{"GET /cards/resolve-printing?set=m21&number=162",
                                           "GET /cards/search?q=Lightning%20Bolt%20M21%20162"}));
    EXPECT_EQ(*fb->calls, QStringList{"set m21 162 nonfoil nil"});

    // Reserved characters and non-ASCII reach the server as data.
    server.clearJournal();
    search(resolver, "Fire & Ice +1 #2 \"Jötun\"=");
    EXPECT_EQ(server.lines(),
              QStringList{"GET /cards/search?q=Fire%20%26%20Ice%20%2B1%20%232%20%22J%C3%B6tun%22%3D"});

    // Blank text: no request at all; a set and number without a name: no text search.
    server.clearJournal();
    fb->calls->clear();
    EXPECT_TRUE(search(resolver, "  \t ").empty());
    EXPECT_TRUE(search(resolver, "set:NEO 12").empty());
    EXPECT_EQ(server.lines(), QStringList{"GET /cards/resolve-printing?set=neo&number=12"});
    EXPECT_EQ(*fb->calls, QStringList{"set neo 12 nonfoil nil"});

    // An empty "data" asks the fallback with the caller's text.
    server.route("GET", "/cards/search", FakeHttpResponse::json(200, R"({"data":[]})"));
    fb->calls->clear();
    search(resolver, "Goblin Guide", ScanFinish::etched);
    EXPECT_EQ(*fb->calls, QStringList{"search Goblin Guide etched"});
}
