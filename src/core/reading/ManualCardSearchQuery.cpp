#include "core/reading/ManualCardSearchQuery.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTextBoundaryFinder>

namespace vantry {

namespace {

int graphemeCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

bool allLettersOrNumbers(const QString& token)
{
    for (QChar c : token)
        if (!c.isLetterOrNumber())
            return false;
    return true;
}

// After an explicit "set:" any letter case is a set code.
bool isExplicitSetCode(const QString& token)
{
    const int n = graphemeCount(token);
    return n >= 2 && n <= 6 && allLettersOrNumbers(token);
}

// A bare token is a set code only when it holds a letter and its letters are capitals:
// "LEA" and "M21" are, "lea", "Lea" and "123" are not.
bool isBareSetCode(const QString& token)
{
    if (!isExplicitSetCode(token))
        return false;
    bool letter = false, digit = false;
    for (QChar c : token) {
        letter = letter || c.isLetter();
        digit = digit || c.isNumber();
    }
    if (!letter)
        return false;
    return digit || token == token.toUpper();
}

bool isCollectorToken(const QString& token)
{
    if (token.isEmpty() || !token.at(0).isNumber())
        return false;
    for (QChar c : token)
        if (!c.isLetterOrNumber() && c != QChar(0x2605) && c != QChar(0x2020))
            return false;
    return true;
}

} // namespace

std::optional<ManualCardSearchQuery> parseManualCardSearchQuery(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    static const QRegularExpression space(QStringLiteral("\\s+"), QRegularExpression::UseUnicodePropertiesOption);
    QStringList tokens = trimmed.split(space, Qt::SkipEmptyParts);
    if (tokens.size() < 2)
        return ManualCardSearchQuery{trimmed, std::nullopt, std::nullopt};

    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString& t = tokens[i];
        if (!t.toLower().startsWith(QStringLiteral("set:")))
            continue;
        const QString code = t.mid(4);
        if (!isExplicitSetCode(code))
            continue;
        ManualCardSearchQuery q;
        q.setCode = code.toLower();
        tokens.removeAt(i);
        for (qsizetype k = 0; k < tokens.size(); ++k) {
            if (isCollectorToken(tokens[k])) {
                q.collectorNumber = tokens[k];
                tokens.removeAt(k);
                break;
            }
        }
        q.name = tokens.join(u' ');
        return q;
    }

    const qsizetype n = tokens.size();
    if (n >= 3 && isCollectorToken(tokens[n - 1]) && isBareSetCode(tokens[n - 2]))
        return ManualCardSearchQuery{tokens.mid(0, n - 2).join(u' '), tokens[n - 2].toLower(), tokens[n - 1]};
    if (isBareSetCode(tokens[n - 1]))
        return ManualCardSearchQuery{tokens.mid(0, n - 1).join(u' '), tokens[n - 1].toLower(), std::nullopt};
    return ManualCardSearchQuery{trimmed, std::nullopt, std::nullopt};
}

} // namespace vantry
