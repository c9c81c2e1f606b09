#pragma once

#include "platform/Browser.h"

#include <QList>

namespace vantry {

// Records the pages it is asked to open; `opens` decides whether opening succeeds.
class FakeBrowser final : public Browser {
public:
    bool open(const QUrl& url) override
    {
        opened.append(url);
        return opens;
    }

    QList<QUrl> opened;
    bool opens = true;
};

} // namespace vantry
