#include "core/reading/ManualCardSearchQuery.h"
#include "core/resolution/ScryfallResolver.h"
#include "support/FakeHttpServer.h"

#include <QCoroTask>

#include <gtest/gtest.h>

using namespace vantry;
using namespace std::chrono_literals;
using test::FakeHttpResponse;
using test::FakeHttpServer;

namespace {

QByteArray card(const QByteArray& id, const QByteArray& extra = {})
{
    return R"({"id":")" + id + R"(","name":"Lightning Bolt","set":"m21","collector_number":"162")" + extra + "}";
}

// A pacer that never waits.
std::shared_ptr<CatalogueRatePacer> noWait() { return std::make_shared<CatalogueRatePacer>(0ms, 30000ms); }

std::vector<Candidate> resolve(const ScryfallResolver& r, QString set, QString number,
                               std::optional<QString> lang = std::nullopt)
{
    return QCoro::waitFor(r.resolveSetCollector(set, number, ScanFinish::nonfoil, lang));
}

std::vector<Candidate> search(const ScryfallResolver& r, QString text)
{
    return QCoro::waitFor(r.searchByName(text, ScanFinish::foil));
}

} // namespace

TEST(ManualCardSearchQuery, Parses)
{
    using Q = ManualCardSearchQuery;
    const std::optional<QString> none;
    struct Case {
        QString text;
        std::optional<Q> expected;
    };
    const std::vector<Case> cases{
        {"Lightning Bolt", Q{"Lightning Bolt", none, none}},
        {"Bolt LEA", Q{"Bolt", "lea", none}},
        {"Bolt lea", Q{"Bolt lea", none, none}},
        {"Lightning Bolt M21 162", Q{"Lightning Bolt", "m21", "162"}},
        {"M21 162", Q{"M21 162", none, none}}, // two tokens; 162 holds no letter, so no set
        {"Lightning Bolt 123", Q{"Lightning Bolt 123", none, none}},
        {"162 Bolt set:M21 Lightning", Q{"Bolt Lightning", "m21", "162"}},
        {"set:neo 123", Q{"", "neo", "123"}}, // any case after "set:"
        {"Bolt set:lea", Q{"Bolt", "lea", none}},
        {"Bolt 12★ set:M21", Q{"Bolt", "m21", "12★"}},
        {"Bolt M21 ★12", Q{"Bolt M21 ★12", none, none}},
        {"  \n ", std::nullopt},
        {"", std::nullopt},
        {"set:M21", Q{"set:M21", none, none}},
        {"set:M21 162", Q{"", "m21", "162"}},
        {"Goblin  \t Guide", Q{"Goblin  \t Guide", none, none}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseManualCardSearchQuery(c.text), c.expected) << c.text.toStdString();
}

TEST(ScryfallResolver, SetAndNumberLookups)
{
    FakeHttpServer server;
    server.route("GET", "/cards/m21/12", FakeHttpResponse::json(200, card("ABC", R"(,"prices":{"usd":"0.25"})")));
    const ScryfallResolver resolver(server.baseUrl().toString(), noWait());

    struct Case {
        QString number;
        std::optional<QString> language;
        QStringList lines;
        bool found;
    };
    const std::vector<Case> cases{
        {"12★", std::nullopt, {"GET /cards/m21/12%E2%98%85", "GET /cards/m21/12"}, true},
        {"012", QString("en"), {"GET /cards/m21/12"}, true},
        // Missing in the read language: the same variant without it.
        {"12", QString("ja"), {"GET /cards/m21/12/ja", "GET /cards/m21/12"}, true},
        {"13", QString("EN"), {"GET /cards/m21/13/EN", "GET /cards/m21/13"}, false},
        {"171/274", std::nullopt, {"GET /cards/m21/171%2F274"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number.toStdString());
        server.clearJournal();
        const auto hits = resolve(resolver, "M21", c.number, c.language);
        EXPECT_EQ(server.lines(), c.lines);
        ASSERT_EQ(hits.size(), c.found ? 1u : 0u);
        if (c.found) {
            EXPECT_EQ(hits[0].score, 1.0);
            EXPECT_EQ(hits[0].priceUSD, 0.25);
            EXPECT_EQ(hits[0].scryfallId, "ABC");
        }
    }
    const auto& request = server.journal().front();
    EXPECT_EQ(request.header("User-Agent"), ScryfallResolver::defaultUserAgent);
    EXPECT_EQ(request.header("Accept"), "application/json;q=0.9,*/*;q=0.8");
}

TEST(ScryfallResolver, SearchTextsOrderAndLimit)
{
    FakeHttpServer server;
    QByteArray many = R"({"data":[)";
    for (int i = 0; i < 41; ++i)
        many += (i ? "," : "") + card("id" + QByteArray::number(i), i == 0 ? R"(,"layout":"art_series")" : "");
    many += "]}";
    server.route("GET", "/cards/search", FakeHttpResponse::json(404, R"({"object":"error"})"));
    const ScryfallResolver resolver(server.baseUrl().toString(), noWait());

    // With a set code: exact name first, then the plain text; order "set", no "dir".
    EXPECT_TRUE(search(resolver, "Say \"Hi\" M21").empty());
    EXPECT_EQ(server.lines(),
              (QStringList{"GET /cards/search?q=%21%22Say%20%5C%22Hi%5C%22%22%20set%3Am21%20include%3Aextras"
                           "&unique=prints&order=set",
                           "GET /cards/search?q=Say%20%22Hi%22%20set%3Am21%20include%3Aextras&unique=prints&order=set"}));

    server.clearJournal();
    server.route("GET", "/cards/search", FakeHttpResponse::json(200, many));
    const auto hits = search(resolver, "Fire & Ice");
    EXPECT_EQ(server.lines(), QStringList{"GET /cards/search?q=Fire%20%26%20Ice%20include%3Aextras&unique=prints"
                                          "&order=released&dir=desc"});
    ASSERT_EQ(hits.size(), 40u);
    EXPECT_TRUE(hits[0].isArtSeries);
    EXPECT_FALSE(hits[1].isArtSeries);
    EXPECT_EQ(hits[0].finish, ScanFinish::foil);
    EXPECT_EQ(hits[0].score, 0.0);
    EXPECT_EQ(hits[39].scryfallId, "id39");
}

TEST(ScryfallResolver, TooManyRequestsLocksTheCatalogueOut)
{
    FakeHttpServer server;
    server.route("GET", "/cards/m21/12/ja", FakeHttpResponse::json(429, R"({"object":"error"})"));
    std::chrono::milliseconds now{1000};
    auto pacer = std::make_shared<CatalogueRatePacer>(0ms, 30000ms, [&] { return now; });
    const ScryfallResolver resolver(server.baseUrl().toString(), pacer);

    // The 429 is a failure, not "missing in Japanese": no retry without the language and
    // nothing reported found.
    EXPECT_TRUE(resolve(resolver, "M21", "12★", QString("ja")).empty());
    EXPECT_EQ(server.lines(), (QStringList{"GET /cards/m21/12%E2%98%85/ja", "GET /cards/m21/12%E2%98%85",
                                           "GET /cards/m21/12/ja"}));
    // Locked out: nothing more is sent for 30 s.
    server.route("GET", "/cards/m21/12", FakeHttpResponse::json(200, card("abc")));
    server.clearJournal();
    now += 29999ms;
    EXPECT_TRUE(resolve(resolver, "M21", "12").empty());
    EXPECT_TRUE(search(resolver, "Bolt").empty());
    EXPECT_TRUE(server.lines().isEmpty());
    now += 1ms;
    EXPECT_EQ(resolve(resolver, "M21", "12").size(), 1u);
}

TEST(ScryfallResolver, AReplyPastTheCapOrTheDeadlineIsAFailureNotNotFound)
{
    const QByteArray padded = card("ABC", R"(,"pad":")" + QByteArray(300 * 1024, 'x') + "\"");
    struct Case {
        const char* name;
        FakeHttpResponse response;
        HttpLimits limits;
    };
    const std::vector<Case> cases{
        {"past the cap", FakeHttpResponse::json(200, padded), {60000ms, 0ms, 0ms, 256 * 1024}},
        {"endless and fast", FakeHttpResponse::endless(QByteArray(64 * 1024, ' '), 1), {60000ms, 0ms, 0ms, 256 * 1024}},
        {"endless and slow", FakeHttpResponse::endless(" ", 20), {60000ms, 0ms, 300ms, HttpLimits::defaultMaxBytes}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server;
        server.route("GET", "/cards/m21/12/ja", c.response);
        server.route("GET", "/cards/m21/12", FakeHttpResponse::json(200, card("XYZ")));
        server.route("GET", "/cards/search", c.response);
        const ScryfallResolver resolver(server.baseUrl().toString(), noWait(), c.limits);
        // A failure, not "missing in Japanese": no retry without the language.
        EXPECT_TRUE(resolve(resolver, "M21", "12", QString("ja")).empty());
        EXPECT_EQ(server.lines(), QStringList{"GET /cards/m21/12/ja"});
        EXPECT_TRUE(search(resolver, "Lightning Bolt").empty());
    }
}

TEST(CatalogueRatePacer, SpacesRequestStarts)
{
    std::chrono::milliseconds now{0};
    std::vector<long> waits;
    CatalogueRatePacer pacer(100ms, 30000ms, [&] { return now; },
                             [&](std::chrono::milliseconds w) -> QCoro::Task<void> {
                                 waits.push_back(long(w.count()));
                                 co_return;
                             });
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(QCoro::waitFor(pacer.acquire()));
    now = 250ms; // slots so far: 0, 100, 200; the next free one is 300
    EXPECT_TRUE(QCoro::waitFor(pacer.acquire()));
    now = 1000ms;
    EXPECT_TRUE(QCoro::waitFor(pacer.acquire()));
    EXPECT_EQ(waits, (std::vector<long>{100, 200, 50}));
    pacer.noteTooManyRequests();
    EXPECT_FALSE(QCoro::waitFor(pacer.acquire()));
}

TEST(ScryfallImage, Urls)
{
    EXPECT_EQ(ScryfallImage::url("ABCDEF", ScryfallImage::Size::small)->toString(),
              "https://cards.scryfall.io/small/front/a/b/abcdef.jpg");
    EXPECT_EQ(ScryfallImage::url("ab", ScryfallImage::Size::normal)->toString(),
              "https://cards.scryfall.io/normal/front/a/b/ab.jpg");
    EXPECT_EQ(ScryfallImage::url("A", ScryfallImage::Size::small), std::nullopt);
    EXPECT_EQ(ScryfallImage::url("a/../../x", ScryfallImage::Size::small)->path(QUrl::FullyEncoded),
              "/small/front/a/%2F/a%2F..%2F..%2Fx.jpg");
    EXPECT_EQ(ScryfallImage::sizeFromRaw("small"), ScryfallImage::Size::small);
    EXPECT_EQ(ScryfallImage::sizeFromRaw("Small"), std::nullopt);
}
