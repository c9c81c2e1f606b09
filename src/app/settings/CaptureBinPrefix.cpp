#include "app/settings/CaptureBinPrefix.h"

#include <QTextBoundaryFinder>

namespace vantry::CaptureBinPrefix {

QString normalize(const std::optional<QString>& text)
{
    const QString trimmed = text.value_or(QString()).trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("A");
    // Cut after four grapheme clusters, so an accent or an emoji sequence is never split.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, trimmed);
    qsizetype end = trimmed.size();
    int count = 0;
    while (graphemes.toNextBoundary() != -1) {
        if (++count == 4) {
            end = graphemes.position();
            break;
        }
    }
    return trimmed.left(end).toUpper();
}

} // namespace vantry::CaptureBinPrefix
