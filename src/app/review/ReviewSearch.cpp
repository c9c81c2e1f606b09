#include "app/review/ReviewSearch.h"

#include <QRegularExpression>

namespace vantry::ReviewSearch {

bool matches(const QString& haystack, const QString& query)
{
    static const QRegularExpression separators(QStringLiteral("[ \\n\\t]"));
    const QStringList tokens = query.toLower().split(separators, Qt::SkipEmptyParts);
    if (tokens.isEmpty())
        return true;
    const QString text = haystack.toLower();
    for (const QString& token : tokens) {
        if (!text.contains(token))
            return false;
    }
    return true;
}

} // namespace vantry::ReviewSearch
