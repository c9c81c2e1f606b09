#pragma once

#include <QUrl>

namespace vantry {

// Opens a web page in the user's own browser, which keeps its cookies and logins.
class Browser {
public:
    virtual ~Browser() = default;
    // False when no browser could be started.
    virtual bool open(const QUrl& url) = 0;
};

} // namespace vantry
