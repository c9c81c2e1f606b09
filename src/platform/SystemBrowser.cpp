#include "platform/SystemBrowser.h"

#include <QDesktopServices>

namespace vantry {

bool SystemBrowser::open(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace vantry
