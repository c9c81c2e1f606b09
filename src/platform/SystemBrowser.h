#pragma once

#include "platform/Browser.h"

namespace vantry {

// The desktop's default browser, through QDesktopServices.
class SystemBrowser final : public Browser {
public:
    bool open(const QUrl& url) override;
};

} // namespace vantry
