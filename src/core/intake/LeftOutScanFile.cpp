#include "core/intake/LeftOutScanFile.h"

#include <QStringList>

namespace vantry {

QString leftOutReasonText(LeftOutReason reason)
{
    switch (reason) {
    case LeftOutReason::nameNotUtf8:
        return QStringLiteral("its file name is not valid UTF-8 \u2014 rename it");
    case LeftOutReason::tooLarge:
        return QStringLiteral("larger than %1 MiB, far more than any scan").arg(maxScanFileBytes / (1024 * 1024));
    case LeftOutReason::otherSideLeftOut:
        return QStringLiteral("the other side of its card was left out");
    }
    return {};
}

QString leftOutSummary(const std::vector<LeftOutScanFile>& files)
{
    if (files.empty())
        return {};
    constexpr std::size_t named = 3;
    QStringList pieces;
    for (std::size_t i = 0; i < files.size() && i < named; ++i)
        pieces << files[i].name + QStringLiteral(" (") + leftOutReasonText(files[i].reason) + QLatin1Char(')');
    QString text = QString::number(files.size()) + (files.size() == 1 ? QStringLiteral(" file") : QStringLiteral(" files")) +
                   QStringLiteral(" left out: ") + pieces.join(QStringLiteral(", "));
    if (files.size() > named)
        text += QStringLiteral(" and ") + QString::number(files.size() - named) + QStringLiteral(" more");
    return text;
}

} // namespace vantry
