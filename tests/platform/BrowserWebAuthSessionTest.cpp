#include "platform/BrowserWebAuthSession.h"
#include "platform/FakeBrowser.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vantry;

namespace {

const QUrl authorize(QStringLiteral("https://auth.example.test/authorize?client_id=c&state=S-1&code_challenge=x"));

struct Recorder {
    std::vector<WebAuthOutcome> outcomes;
    WebAuthCompletion completion()
    {
        return [this](const WebAuthOutcome& o) { outcomes.push_back(o); };
    }
};

} // namespace

TEST(BrowserWebAuthSession, OpensTheBrowserAndAcceptsOnlyTheMatchingCallbackOnce)
{
    FakeBrowser browser;
    BrowserWebAuthSession session(browser);
    Recorder recorder;

    // Nothing pending yet: a callback is refused.
    EXPECT_FALSE(session.deliverCallback(QUrl("vantrycapture://auth?code=c0&state=S-1")));

    session.start(authorize, "vantrycapture", recorder.completion());
    EXPECT_EQ(browser.opened, QList<QUrl>{authorize});
    EXPECT_TRUE(session.isPending());

    const std::vector<QString> forged = {
        "vantrycapture://auth?code=c1&state=S-2",           // another sign-in's state
        "vantrycapture://auth?code=c1",                     // no state
        "vantrycapture://auth?code=c1&state=S-1&state=S-2", // repeated state
        "vantrycapture://auth?code=c1&state=s-1",           // case matters
        "othercapture://auth?code=c1&state=S-1",            // another scheme
    };
    for (const QString& url : forged)
        EXPECT_FALSE(session.deliverCallback(QUrl(url))) << url.toStdString();
    EXPECT_TRUE(recorder.outcomes.empty());
    EXPECT_TRUE(session.isPending());

    const QUrl good("VantryCapture://auth?code=c2&state=S-1&extra=1");
    EXPECT_TRUE(session.deliverCallback(good));
    ASSERT_EQ(recorder.outcomes.size(), 1u);
    EXPECT_EQ(recorder.outcomes[0].callbackURL, good);
    EXPECT_FALSE(recorder.outcomes[0].error.has_value());

    // A second delivery of the same callback is refused.
    EXPECT_FALSE(session.deliverCallback(good));
    EXPECT_EQ(recorder.outcomes.size(), 1u);
    EXPECT_FALSE(session.isPending());
}

TEST(BrowserWebAuthSession, ANewSessionReplacesThePendingOne)
{
    FakeBrowser browser;
    BrowserWebAuthSession session(browser);
    Recorder first;
    Recorder second;
    session.start(authorize, "vantrycapture", first.completion());
    session.start(QUrl("https://auth.example.test/authorize?state=S-2"), "vantrycapture", second.completion());

    EXPECT_FALSE(session.deliverCallback(QUrl("vantrycapture://auth?code=c&state=S-1")));
    EXPECT_TRUE(session.deliverCallback(QUrl("vantrycapture://auth?code=c&state=S-2")));
    EXPECT_TRUE(first.outcomes.empty());
    EXPECT_EQ(second.outcomes.size(), 1u);
}

TEST(BrowserWebAuthSession, EndsWithAnErrorWhenCanceledOrWhenNoBrowserOpens)
{
    struct Case {
        bool browserOpens;
        QUrl url;
        bool cancel;
        WebAuthError::Code code;
    };
    const std::vector<Case> cases = {
        {true, authorize, true, WebAuthError::Code::canceled},
        {false, authorize, false, WebAuthError::Code::browserUnavailable},
        // Without a state no callback could be told from a forged one.
        {true, QUrl("https://auth.example.test/authorize?client_id=c"), false, WebAuthError::Code::browserUnavailable},
    };
    for (const Case& c : cases) {
        FakeBrowser browser;
        browser.opens = c.browserOpens;
        BrowserWebAuthSession session(browser);
        Recorder recorder;
        session.start(c.url, "vantrycapture", recorder.completion());
        if (c.cancel)
            session.cancel();
        ASSERT_EQ(recorder.outcomes.size(), 1u);
        ASSERT_TRUE(recorder.outcomes[0].error.has_value());
        EXPECT_EQ(recorder.outcomes[0].error->code, c.code);
        EXPECT_FALSE(recorder.outcomes[0].error->message.isEmpty());
        EXPECT_FALSE(session.isPending());
        // Nothing pending any more: a late callback and a second cancel change nothing.
        EXPECT_FALSE(session.deliverCallback(QUrl("vantrycapture://auth?code=c&state=S-1")));
        session.cancel();
        EXPECT_EQ(recorder.outcomes.size(), 1u);
    }
}
