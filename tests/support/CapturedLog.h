#pragma once

#include "core/support/CaptureLog.h"

#include <QFile>
#include <QStringList>

namespace vantry::test {

// The diagnostic log's lines as written so far (its writer drained first); none when there is no log.
inline QStringList capturedLogLines()
{
    CaptureLog::flush();
    QFile f(CaptureLog::filePath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace vantry::test
