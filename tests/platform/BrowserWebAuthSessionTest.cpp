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

TEST(BrowserWebAuthSession, WithoutABrowserTheSessionWaitsForTheAddressOpenedByHand)
{
    FakeBrowser browser;
    browser.opens = false;
    BrowserWebAuthSession session(browser);
    Recorder recorder;
    EXPECT_EQ(session.start(authorize, "vantrycapture", recorder.completion()), WebAuthStart::openByHand);
    EXPECT_EQ(browser.opened, QList<QUrl>{authorize});
    EXPECT_TRUE(session.isPending());
    EXPECT_TRUE(recorder.outcomes.empty());

    // The same rules as with a browser: only this session's callback, once.
    EXPECT_FALSE(session.deliverCallback(QUrl("vantrycapture://auth?code=c1&state=S-2")));
    const QUrl good("vantrycapture://auth?code=c2&state=S-1");
    EXPECT_TRUE(session.deliverCallback(good));
    EXPECT_FALSE(session.deliverCallback(good));
    ASSERT_EQ(recorder.outcomes.size(), 1u);
    EXPECT_EQ(recorder.outcomes[0].callbackURL, good);

    // Given up by hand like any other.
    Recorder canceled;
    EXPECT_EQ(session.start(authorize, "vantrycapture", canceled.completion()), WebAuthStart::openByHand);
    session.cancel();
    ASSERT_EQ(canceled.outcomes.size(), 1u);
    EXPECT_EQ(canceled.outcomes[0].error->code, WebAuthError::Code::canceled);
}

TEST(BrowserWebAuthSession, EndsWithAnErrorWhenCanceledOrWhenTheRequestCarriesNoState)
{
    struct Case {
        QUrl url;
        bool cancel;
        WebAuthError::Code code;
    };
    const std::vector<Case> cases = {
        {authorize, true, WebAuthError::Code::canceled},
        // Without a state no callback could be told from a forged one.
        {QUrl("https://auth.example.test/authorize?client_id=c"), false, WebAuthError::Code::browserUnavailable},
    };
    for (const Case& c : cases) {
        FakeBrowser browser;
        BrowserWebAuthSession session(browser);
        Recorder recorder;
        const WebAuthStart started = session.start(c.url, "vantrycapture", recorder.completion());
        EXPECT_EQ(started, c.cancel ? WebAuthStart::browserOpened : WebAuthStart::ended);
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
