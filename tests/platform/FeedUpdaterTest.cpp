#include "platform/Appcast.h"
#include "platform/FeedUpdater.h"

#include "support/FakeHttpServer.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

using namespace vantry;
using vantry::test::FakeHttpResponse;
using vantry::test::FakeHttpServer;

namespace {

QByteArray feed(const QByteArray& items)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><title>Vantry Capture</title>)"
           + items + "</channel></rss>";
}

QByteArray item(const QByteArray& version, const QByteArray& link)
{
    return "<item><title>Release</title><sparkle:shortVersionString>" + version
           + "</sparkle:shortVersionString><link>" + link + "</link></item>";
}

} // namespace

TEST(Appcast, PicksTheHighestUsableReleaseOrSaysWhyThereIsNone)
{
    struct Case {
        const char* name;
        QByteArray xml;
        QString version; // empty: unusable
        QString page;
    };
    const Case cases[] = {
        {"one item", feed(item("1.2.0", "https://vantry.test/download")), "1.2.0", "https://vantry.test/download"},
        {"numeric order, not text order",
         feed(item("1.9", "https://vantry.test/9") + item("1.10", "https://vantry.test/10") + item("1.2", "https://vantry.test/2")),
         "1.10", "https://vantry.test/10"},
        {"version and address from the enclosure",
         feed(R"(<item><enclosure url="https://vantry.test/vc.deb" sparkle:version="7" sparkle:shortVersionString="2.0.1"/></item>)"),
         "2.0.1", "https://vantry.test/vc.deb"},
        {"build number when no short version", feed("<item><sparkle:version>3</sparkle:version><link>http://vantry.test/3</link></item>"),
         "3", "http://vantry.test/3"},
        {"items without a usable address are passed over",
         feed(item("9.0", "file:///etc/passwd") + item("8.0", "javascript:alert(1)") + item("1.1", "https://vantry.test/1")),
         "1.1", "https://vantry.test/1"},
        {"no version", feed("<item><link>https://vantry.test/x</link></item>"), "", ""},
        {"empty channel", feed(""), "", ""},
        {"not XML", "<html><body>Bad gateway", "", ""},
        {"XML but not a feed", "<?xml version=\"1.0\"?><note>hi</note>", "", ""},
        {"empty body", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = newestAppcastRelease(c.xml);
        if (c.version.isEmpty()) {
            ASSERT_TRUE(std::holds_alternative<QString>(result));
            EXPECT_FALSE(std::get<QString>(result).isEmpty());
        } else {
            ASSERT_TRUE(std::holds_alternative<AppcastRelease>(result)) << std::get<QString>(result).toStdString();
            EXPECT_EQ(std::get<AppcastRelease>(result).version, c.version);
            EXPECT_EQ(std::get<AppcastRelease>(result).downloadPage.toString(), c.page);
        }
    }
}

TEST(FeedUpdater, WithoutAFeedItNeverChecks)
{
    FeedUpdater updater(QUrl(), QStringLiteral("0.1.0"));
    EXPECT_FALSE(updater.canCheckForUpdates());
    QSignalSpy finished(&updater, &Updater::checkFinished);
    updater.checkForUpdates();
    QTest::qWait(20);
    EXPECT_EQ(finished.count(), 0);
}

TEST(FeedUpdater, ReportsWhatTheServedFeedSays)
{
    struct Case {
        const char* name;
        FakeHttpResponse response;
        UpdateCheckResult::Kind kind;
        QString newest;
    };
    const Case cases[] = {
        {"newer", FakeHttpResponse::text(200, feed(item("0.2.0", "https://vantry.test/get"))),
         UpdateCheckResult::Kind::available, "0.2.0"},
        {"same", FakeHttpResponse::text(200, feed(item("0.1.0", "https://vantry.test/get"))),
         UpdateCheckResult::Kind::upToDate, "0.1.0"},
        {"older", FakeHttpResponse::text(200, feed(item("0.0.9", "https://vantry.test/get"))),
         UpdateCheckResult::Kind::upToDate, "0.0.9"},
        {"unreadable", FakeHttpResponse::text(200, "<html>oops"), UpdateCheckResult::Kind::failed, ""},
        {"server error", FakeHttpResponse::text(503, "busy"), UpdateCheckResult::Kind::failed, ""},
        {"dropped", [] { FakeHttpResponse r; r.hangUp = true; return r; }(), UpdateCheckResult::Kind::failed, ""},
        {"never answers", [] { FakeHttpResponse r; r.noReply = true; return r; }(), UpdateCheckResult::Kind::failed, ""},
        {"too large", FakeHttpResponse::text(200, feed(QByteArray(FeedUpdater::maxFeedBytes + 10, ' '))),
         UpdateCheckResult::Kind::failed, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server;
        server.route("GET", "/appcast.xml", c.response);
        FeedUpdater updater(server.url("/appcast.xml"), QStringLiteral("0.1.0"));
        updater.setTimeout(std::chrono::milliseconds(300));
        QSignalSpy canCheck(&updater, &Updater::canCheckForUpdatesChanged);
        QSignalSpy finished(&updater, &Updater::checkFinished);
        ASSERT_TRUE(updater.canCheckForUpdates());

        updater.checkForUpdates();
        // One check at a time: the command is off while it runs.
        EXPECT_FALSE(updater.canCheckForUpdates());
        updater.checkForUpdates();
        ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() > 0; }, 5000));
        QTest::qWait(10);
        ASSERT_EQ(finished.count(), 1);
        // A GET whose connection dropped may be sent once more by the network stack.
        EXPECT_LE(server.journal().size(), c.response.hangUp ? 2u : 1u);
        const auto result = finished.front().front().value<UpdateCheckResult>();
        EXPECT_EQ(result.kind, c.kind);
        EXPECT_EQ(result.newestVersion, c.newest);
        EXPECT_EQ(result.currentVersion, "0.1.0");
        if (c.kind == UpdateCheckResult::Kind::available)
            EXPECT_EQ(result.downloadPage, QUrl("https://vantry.test/get"));
        if (c.kind == UpdateCheckResult::Kind::failed)
            EXPECT_FALSE(result.error.isEmpty());
        EXPECT_TRUE(updater.canCheckForUpdates());
        ASSERT_GE(canCheck.count(), 2);
        EXPECT_EQ(canCheck.last().front().toBool(), true);
    }
}
