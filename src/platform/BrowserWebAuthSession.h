#pragma once

#include "platform/Browser.h"
#include "platform/WebAuthSession.h"

#include <QObject>

namespace vantry {

// The Linux web-authentication session: the authorize page opens in the user's browser and
// the sign-in service's redirect comes back as a `vantrycapture://` URL that the desktop hands
// to the application (see SingleInstance). A callback is accepted only while a session is
// pending, only once, only with the session's scheme and only with the state it was started
// with; anything else is refused and the session keeps waiting. When no browser can be
// opened the session waits all the same: the user opens the authorize address by hand, and
// its redirect comes back the same way.
class BrowserWebAuthSession final : public QObject, public WebAuthSession {
    Q_OBJECT
public:
    explicit BrowserWebAuthSession(Browser& browser, QObject* parent = nullptr);

    WebAuthStart start(const QUrl& authorizeURL, const QString& callbackScheme,
                       WebAuthCompletion completion) override;
    void cancel() override;
    bool isPending() const override { return pending_.has_value(); }

public slots:
    // A URL handed to the application; true when it completed the pending session.
    bool deliverCallback(const QUrl& url);

private:
    struct Pending {
        QString scheme;
        QString state;
        WebAuthCompletion completion;
    };

    void finish(const WebAuthOutcome& outcome);

    Browser& browser_;
    std::optional<Pending> pending_;
};

} // namespace vantry
