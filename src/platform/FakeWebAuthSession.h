#pragma once

#include "platform/WebAuthSession.h"

#include <QUrlQuery>

namespace vantry {

// A session the test completes by hand; records how it was started.
class FakeWebAuthSession final : public WebAuthSession {
public:
    WebAuthStart start(const QUrl& authorizeURL, const QString& callbackScheme, WebAuthCompletion completion) override
    {
        ++startCount;
        lastAuthorizeURL = authorizeURL;
        lastCallbackScheme = callbackScheme;
        completion_ = std::move(completion);
        return browserOpens ? WebAuthStart::browserOpened : WebAuthStart::openByHand;
    }
    void cancel() override
    {
        ++cancelCount;
        fail({WebAuthError::Code::canceled, QStringLiteral("Sign-in canceled.")});
    }
    bool isPending() const override { return static_cast<bool>(completion_); }

    // The state the last authorize URL carries.
    QString sentState() const
    {
        return QUrlQuery(lastAuthorizeURL).queryItemValue(QStringLiteral("state"), QUrl::FullyDecoded);
    }

    // Completes the pending session (at most once); false when none is pending.
    bool complete(const QUrl& callbackURL) { return finish({callbackURL, std::nullopt}); }
    bool completeWithoutURL() { return finish({std::nullopt, std::nullopt}); }
    bool fail(const WebAuthError& error) { return finish({std::nullopt, error}); }

    // False: sessions start as if no browser could be opened (and stay pending).
    bool browserOpens = true;
    int startCount = 0;
    int cancelCount = 0;
    QUrl lastAuthorizeURL;
    QString lastCallbackScheme;

private:
    bool finish(const WebAuthOutcome& outcome)
    {
        if (!completion_)
            return false;
        WebAuthCompletion completion = std::move(completion_);
        completion_ = nullptr;
        completion(outcome);
        return true;
    }

    WebAuthCompletion completion_;
};

} // namespace vantry
