#include "core/service/SplitChildBinSuggestion.h"

#include <QDir>
#include <QTextBoundaryFinder>

namespace vantry {

namespace {

QString lastComponent(const QString& path)
{
    return path.section(QLatin1Char('/'), -1);
}

QString withoutLastComponent(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    return path.left(slash);
}

int graphemeCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

bool isGraphemeBoundary(const QString& text, qsizetype position)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(int(position));
    return finder.isAtBoundary();
}

// Prefix test on whole user-perceived characters after canonical composition, so an "e"
// is not a prefix of an "e" with a combining accent.
bool hasCharacterPrefix(const QString& text, const QString& prefix)
{
    const QString t = text.normalized(QString::NormalizationForm_C);
    const QString p = prefix.normalized(QString::NormalizationForm_C);
    return t.startsWith(p) && isGraphemeBoundary(t, p.size());
}

} // namespace

std::optional<SplitChildBinSuggestion> splitChildBinSuggestion(const QString& scanFolderPath)
{
    QString path = QDir::cleanPath(scanFolderPath);
    if (path == QLatin1String("/"))
        return std::nullopt;
    const QString folder = lastComponent(path).trimmed();
    if (folder.isEmpty())
        return std::nullopt;
    const QString parent = lastComponent(withoutLastComponent(path)).trimmed();
    if (parent.isEmpty())
        return std::nullopt;
    const QString folderLower = folder.toLower();
    const QString parentLower = parent.toLower();
    if (hasCharacterPrefix(folderLower, parentLower) && graphemeCount(folderLower) > graphemeCount(parentLower))
        return SplitChildBinSuggestion{parent, folder};
    return std::nullopt;
}

std::optional<QString> suggestedReplaceBinName(const QString& scanFolderPath)
{
    if (const auto split = splitChildBinSuggestion(scanFolderPath))
        return split->oldBin;
    const QString path = QDir::cleanPath(scanFolderPath);
    const QString folder = path == QLatin1String("/") ? QString() : lastComponent(path).trimmed();
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

} // namespace vantry
